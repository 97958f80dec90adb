#include "app/WindowStart.h"

#include "cli/CommandLine.h"
#include "cli/CommandOutput.h"
#include "common/Texts.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QtGlobal>

#include <cstdlib>
#include <optional>
#include <vector>

namespace ostrevik {
namespace {

// The options Qt takes from the command line itself (QGuiApplication,
// QApplication, the X11 platform), with one dash or two; a value follows as
// the next argument, for some also after "=".
struct QtOption {
    const char* name;
    bool takesValue;
    bool valueAfterEquals;
};

constexpr QtOption kQtOptions[] = {
    {"platform", true, false},
    {"platformpluginpath", true, false},
    {"platformtheme", true, false},
    {"plugin", true, false},
    {"qwindowgeometry", true, false},
    {"qwindowicon", true, false},
    {"qwindowtitle", true, false},
    {"session", true, false},
    {"style", true, true},
    {"stylesheet", true, true},
    {"qmljsdebugger", true, true},
    {"display", true, false},
    {"geometry", true, false},
    {"title", true, false},
    {"icon", true, false},
    {"name", true, false},
    {"visual", true, false},
    {"reverse", false, false},
    {"widgetcount", false, false},
    {"nograb", false, false},
    {"dograb", false, false},
    {"testability", false, false},
    {"sync", false, false},
    {"cmap", false, false},
};

struct KnownOption {
    QByteArray name;
    int values = 0;  // how many arguments after it belong to it
};

// Nothing for an option nobody knows.
std::optional<KnownOption> qtOption(const QByteArray& arg) {
    QByteArray name = arg.mid(arg.startsWith("--") ? 2 : 1);
    const qsizetype equals = name.indexOf('=');
    const bool joined = equals >= 0;
    if (joined) {
        name.truncate(equals);
    }
    for (const QtOption& o : kQtOptions) {
        if (name == o.name && (!joined || o.valueAfterEquals)) {
            return KnownOption{name, o.takesValue && !joined ? 1 : 0};
        }
    }
    return std::nullopt;
}

bool environmentSet(const char* name) {
    return !qEnvironmentVariableIsEmpty(name);
}

QString noDisplayText() {
    return QCoreApplication::translate(
        "CommandLine",
        "Keine grafische Anzeige gefunden. Ohne Anzeige arbeiten nur die Befehle "
        "--export-csv und --report (ostrevik --help).");
}

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler g_previousHandler = nullptr;

std::vector<HeldMessage>& heldMessages() {
    static std::vector<HeldMessage> held;
    return held;
}

void holdWhileStarting(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        // Qt found no platform to show windows on and would abort.
        Warn(noDisplayText());
        std::_Exit(1);
    }
    if (!IsRuntimeDirectoryNotice(text)) {
        heldMessages().push_back({type, QByteArray(context.category), text});
    }
}

}  // namespace

std::optional<int> CheckWindowStart(int argc, char* argv[]) {
    bool platformNamed = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (!arg.startsWith('-') || arg.size() == 1 || arg.contains("--debug") ||
            arg == "--drill") {
            continue;  // a file to open, the debug window, or a drill with its operands
        }
        const std::optional<KnownOption> option = qtOption(arg);
        if (!option) {
            return WrongCall(Texts::UnknownOption(QString::fromLocal8Bit(arg)));
        }
        platformNamed = platformNamed || option->name == "platform";
        i += option->values;
    }
    // Qt's choice where one is named; otherwise an X11 or Wayland display.
    if (!platformNamed && !environmentSet("QT_QPA_PLATFORM") && !environmentSet("DISPLAY") &&
        !environmentSet("WAYLAND_DISPLAY") && !environmentSet("WAYLAND_SOCKET")) {
        Warn(noDisplayText());
        return 1;
    }
    return std::nullopt;
}

DisplayStartGuard::DisplayStartGuard() {
    heldMessages().clear();
    g_previousHandler = qInstallMessageHandler(holdWhileStarting);
}

DisplayStartGuard::~DisplayStartGuard() {
    qInstallMessageHandler(g_previousHandler);
    for (const HeldMessage& m : heldMessages()) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        g_previousHandler(m.type, context, m.text);
    }
    heldMessages().clear();
}

}  // namespace ostrevik
