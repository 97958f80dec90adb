#pragma once

namespace ostrevik {

// Button sets and answers of the program's message boxes. The core names
// them; the windows show them (see ModalUi).
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

}  // namespace ostrevik
