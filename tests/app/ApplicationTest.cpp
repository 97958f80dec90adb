// The application object: an error escaping an event handler is shown by the
// standard error display, and the program goes on.

#include "app/Application.h"

#include "ScriptedModalUi.h"

#include <QEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace ostrevik;

namespace {

struct Throwing : QObject {
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            throw std::runtime_error("WriteFile function failed (win error code: 9)");
        }
        return QObject::event(e);
    }
};

}  // namespace

TEST(OstrevikApplication, AnErrorInAnEventHandlerIsShownAndTheLoopGoesOn) {
    test::ScriptedModalUi ui;
    Throwing target;
    bool after = false;
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QTimer::singleShot(0, [&] { after = true; });
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Ostrevik"));
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("WriteFile function failed (win error code: 9)"));
    EXPECT_TRUE(after);
}

int main(int argc, char** argv) {
    OstrevikApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
