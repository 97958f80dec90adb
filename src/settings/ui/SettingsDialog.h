#pragma once

#include "common/ui/ProgramDialog.h"
#include "settings/DisplaySettings.h"
#include "settings/SettingsController.h"

#include <QColor>
#include <QWidget>

#include <functional>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ostrevik {

class TComComboBox;
class TCustomComPort;

// A colour field: a rounded rectangle filled with its colour. Releasing the
// left mouse button over it asks for a new colour.
class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent = nullptr);

    QColor color() const { return color_; }
    void setColor(const QColor& color);

signals:
    void leftReleased();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor color_;
};

// "Einstellungen": the drawing settings (colours and pen widths of curve,
// shot marker and tone-threshold line, marker form and visibility, time
// scale, seconds shown before the shot), the user's name and the live bar.
// The dialog writes the drawing settings straight into the live block and
// applies the chosen port on OK; the user name and the live bar come back as
// the dialog's answer.
class TForm3 : public ProgramDialog {
    Q_OBJECT
public:
    explicit TForm3(DisplaySettings& settings, QWidget* parent = nullptr);

    // Shows the dialog modally for the port (its name, and who changes it)
    // and the user's present choice; the choice on OK, none on Cancel.
    using PortChange = std::function<void(const QString& name)>;
    std::optional<SettingsController::Choice> Ask(const QString& port, PortChange changePort,
                                                  const SettingsController::Choice& current);
    // Fills the controls from the live settings (run on showing).
    void FormShow() override;
    // Opens the colour dialog for a field; the field keeps its colour when
    // the user cancels.
    void ShapeMouseUp(TShape* shape);
    // Applies the port box, stores the drawing settings and closes with OK.
    void Button1Click();

    // The seconds before the shot for the text of EditSec_vS: empty or zero
    // counts as 1.
    static int32_t SekundenVorSchuss(const QString& text);

    QGroupBox* GroupBoxMesskurve = nullptr;
    TShape* Shape1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;

    QGroupBox* GroupBoxTonschwelle = nullptr;
    TShape* Shape3 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QGroupBox* GroupBox6 = nullptr;
    QCheckBox* CheckBox1 = nullptr;

    QGroupBox* GroupBoxSchuss = nullptr;
    TShape* Shape2 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QGroupBox* RadioGroup2 = nullptr;
    QRadioButton* Kreis = nullptr;
    QRadioButton* Kreuz = nullptr;
    QButtonGroup* ShotForm = nullptr;

    QGroupBox* GroupBox1 = nullptr;
    QComboBox* ComboBoxSkalierung = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLineEdit* EditSec_vS = nullptr;
    QGroupBox* GroupBoxAwName = nullptr;
    QLineEdit* Edit1 = nullptr;
    QGroupBox* GroupBoxComNr = nullptr;
    TComComboBox* ComComboBox1 = nullptr;

    QPushButton* Button1 = nullptr;
    QPushButton* Hilfe1 = nullptr;
    QPushButton* Button2 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DisplaySettings& settings_;
    PortChange changePort_;
};

}  // namespace ostrevik
