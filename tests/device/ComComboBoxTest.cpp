#include "PortTestSupport.h"
#include "device/ui/ComComboBox.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace ostrevik {
namespace {

class ComComboBoxTest : public ::testing::Test {
protected:
    QStringList items() const {
        QStringList texts;
        for (int i = 0; i < box.count(); ++i) {
            texts << box.itemText(i);
        }
        return texts;
    }

    test::ScopedPortDir dir;
    test::PtyPair com1{dir.path(), 1};
    test::PtyPair com10{dir.path(), 10};
    test::PtyPair com2{dir.path(), 2};
    TComComboBox box;
};

TEST_F(ComComboBoxTest, ListsThePortsPresentAndCannotBeTypedInto) {
    EXPECT_EQ(box.count(), 0);
    box.SetComProperty(TComProperty::cpPort);
    EXPECT_EQ(items(), (QStringList{"COM1", "COM10", "COM2"}));
    EXPECT_FALSE(box.isEditable());

    // A port that comes later is listed when the box looks again.
    test::PtyPair com3(dir.path(), 3);
    box.UpdateItems();
    EXPECT_EQ(items(), (QStringList{"COM1", "COM10", "COM2", "COM3"}));
}

TEST_F(ComComboBoxTest, AttachingSelectsThePortsCurrentName) {
    box.SetComProperty(TComProperty::cpPort);
    TComPort port;
    port.SetPort(QStringLiteral("com2"));
    box.SetComPort(&port);
    EXPECT_EQ(box.currentText(), "COM2");
    EXPECT_EQ(box.ComSelected(), "COM2");
}

TEST_F(ComComboBoxTest, APortThatIsNotListedIsLeftAloneByApplying) {
    box.SetComProperty(TComProperty::cpPort);
    TComPort port;
    port.SetPort(QStringLiteral("COM7"));
    box.SetComPort(&port);
    EXPECT_EQ(box.currentIndex(), -1);
    box.ApplySettings();
    EXPECT_EQ(port.Port(), "COM7");
}

TEST_F(ComComboBoxTest, TheUsersChoiceIsAppliedOnlyWhenAsked) {
    box.SetComProperty(TComProperty::cpPort);
    box.show();
    TComPort port;
    SetupForQtx(port);
    port.SetPort(QStringLiteral("COM1"));
    port.Open();
    int reopened = 0;
    port.SetOnAfterOpen([&](TCustomComPort&) { ++reopened; });
    box.SetComPort(&port);
    ASSERT_EQ(box.currentText(), "COM1");

    QTest::keyClick(&box, Qt::Key_Down);  // the user picks the next port
    EXPECT_EQ(box.ComSelected(), "COM10");
    EXPECT_EQ(port.Port(), "COM1") << "choosing alone changes nothing";

    box.setCurrentIndex(2);  // the program selecting is no choice of the user
    EXPECT_EQ(box.ComSelected(), "COM10");

    box.ApplySettings();
    EXPECT_EQ(port.Port(), "COM10");
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(reopened, 1);
    port.Write("x", 1);
    EXPECT_EQ(com10.read(500, 1), "x");

    box.ApplySettings();  // the same name again: no reopening
    EXPECT_EQ(reopened, 1);
}

TEST_F(ComComboBoxTest, ApplyingAPortThatCannotOpenReachesTheCaller) {
    box.SetComProperty(TComProperty::cpPort);
    box.show();
    TComPort port;
    SetupForQtx(port);
    port.SetPort(QStringLiteral("COM1"));
    box.SetComPort(&port);
    TComPort other;  // holds COM10
    other.SetPort(QStringLiteral("COM10"));
    other.Open();
    port.Open();
    QTest::keyClick(&box, Qt::Key_Down);
    EXPECT_THROW(box.ApplySettings(), EComPort);
    EXPECT_EQ(port.Port(), "COM10");
    EXPECT_FALSE(port.Connected());
}

TEST_F(ComComboBoxTest, ForgetsADestroyedPort) {
    box.SetComProperty(TComProperty::cpPort);
    {
        TComPort port;
        port.SetPort(QStringLiteral("COM2"));
        box.SetComPort(&port);
        EXPECT_EQ(box.currentIndex(), 2);
    }
    EXPECT_EQ(box.ComPort(), nullptr);
    EXPECT_EQ(box.currentIndex(), 0);
    EXPECT_NO_THROW(box.ApplySettings());
}

}  // namespace
}  // namespace ostrevik
