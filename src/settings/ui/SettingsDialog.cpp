#include "settings/ui/SettingsDialog.h"

#include "common/HelpTopics.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "device/ComPortError.h"
#include "device/ui/ComComboBox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

namespace ostrevik {

namespace {

constexpr int kWidthCount = 10;

QComboBox* widthList(QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (int i = 1; i <= kWidthCount; ++i) {
        box->addItem(QString::number(i));
    }
    box->setMaxVisibleItems(kWidthCount);
    return box;
}

QLabel* label(const QString& text, QWidget* parent, const QRect& geometry) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    return l;
}

// A group of the drawing settings: a colour field and a width list, labelled
// "Farbe" and widthCaption, at the same places in every group.
QGroupBox* colourAndWidthGroup(const QString& title, const QString& widthCaption, QWidget* parent,
                               const QRect& geometry, TShape*& shape, QComboBox*& widths) {
    auto* group = new QGroupBox(title, parent);
    group->setGeometry(geometry);
    label(QStringLiteral("Farbe"), group, {12, 28, 80, 16});
    shape = new TShape(group);
    shape->setGeometry(100, 22, 41, 25);
    label(widthCaption, group, {12, 64, 84, 16});
    widths = widthList(group);
    widths->setGeometry(100, 60, 81, 22);
    return group;
}

// A combo box index for a stored value counted from `first`; -1 (no
// selection) for a value the list does not hold.
int indexFor(int64_t value, int64_t first, int count) {
    const int64_t index = value - first;
    return index >= 0 && index < count ? static_cast<int>(index) : -1;
}

}  // namespace

TShape::TShape(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
}

void TShape::setColor(const QColor& color) {
    color_ = color;
    update();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(color_);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

void TShape::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit leftReleased();
    }
    event->accept();
}

TForm3::TForm3(DisplaySettings& settings, QWidget* parent)
    : ProgramDialog(parent, HelpTopics::Einstellungen), settings_(settings) {
    setWindowTitle(QStringLiteral("Einstellungen"));
    MakeFixedForm(605, 241);

    // The curve.
    GroupBoxMesskurve =
        colourAndWidthGroup(QStringLiteral("Messkurve"), QStringLiteral("Strichstärke"), this,
                            {8, 4, 193, 97}, Shape1, ComboBox1);
    CheckBox2 = new QCheckBox(QStringLiteral("Messbalken anzeigen"), this);
    CheckBox2->setGeometry(16, 108, 185, 19);

    // The tone threshold.
    GroupBoxTonschwelle =
        colourAndWidthGroup(QStringLiteral("Tonschwelle"), QStringLiteral("Strichstärke "), this,
                            {208, 4, 193, 129}, Shape3, ComboBox3);
    GroupBox6 = new QGroupBox(QStringLiteral("Marker"), GroupBoxTonschwelle);
    GroupBox6->setGeometry(8, 86, 177, 37);
    CheckBox1 = new QCheckBox(QStringLiteral("sichtbar"), GroupBox6);
    CheckBox1->setGeometry(10, 16, 150, 19);

    // The shot.
    GroupBoxSchuss = colourAndWidthGroup(QStringLiteral("Schuss"), QStringLiteral("Strichstärke "),
                                         this, {408, 4, 189, 129}, Shape2, ComboBox2);
    RadioGroup2 = new QGroupBox(QStringLiteral("Form"), GroupBoxSchuss);
    RadioGroup2->setGeometry(8, 86, 173, 37);
    Kreis = new QRadioButton(QStringLiteral("Kreis"), RadioGroup2);
    Kreis->setGeometry(10, 16, 76, 19);
    Kreuz = new QRadioButton(QStringLiteral("Kreuz"), RadioGroup2);
    Kreuz->setGeometry(90, 16, 76, 19);
    ShotForm = new QButtonGroup(this);
    ShotForm->addButton(Kreis, 0);
    ShotForm->addButton(Kreuz, 1);

    // The colour fields start red, aqua and blue until the settings fill them.
    Shape1->setColor(Qt::red);
    Shape3->setColor(Qt::cyan);
    Shape2->setColor(Qt::blue);

    // Time scale and shot-aligned display.
    GroupBox1 = new QGroupBox(QStringLiteral("Skalierung"), this);
    GroupBox1->setGeometry(8, 138, 193, 57);
    label(QStringLiteral("Sekunden:"), GroupBox1, {12, 28, 84, 16});
    ComboBoxSkalierung = new QComboBox(GroupBox1);
    ComboBoxSkalierung->setGeometry(100, 24, 81, 22);
    for (const char* text : kTimeScaleLabels) {
        ComboBoxSkalierung->addItem(QString::fromLatin1(text));
    }

    GroupBox2 = new QGroupBox(QStringLiteral("Schussbündige Anzeige"), this);
    GroupBox2->setGeometry(208, 138, 193, 57);
    label(QStringLiteral("Sekunden"), GroupBox2, {12, 20, 84, 15});
    label(QStringLiteral("vor Schuss:"), GroupBox2, {12, 35, 84, 15});
    EditSec_vS = new QLineEdit(GroupBox2);
    EditSec_vS->setGeometry(100, 24, 41, 22);
    EditSec_vS->setMaxLength(2);
    // Digits only, also for text pasted through the context menu.
    EditSec_vS->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), EditSec_vS));
    EditSec_vS->installEventFilter(this);

    // The user.
    GroupBoxAwName = new QGroupBox(QStringLiteral("Anwender"), this);
    GroupBoxAwName->setGeometry(408, 138, 189, 57);
    Edit1 = new QLineEdit(GroupBoxAwName);
    Edit1->setGeometry(12, 24, 165, 22);

    // The serial port is found by the program itself; the box stays hidden
    // and only carries the port's current name through the dialog.
    GroupBoxComNr = new QGroupBox(QStringLiteral("Com-Schnittstelle"), this);
    GroupBoxComNr->setGeometry(208, 100, 193, 37);
    ComComboBox1 = new TComComboBox(GroupBoxComNr);
    ComComboBox1->setGeometry(12, 12, 81, 22);
    ComComboBox1->SetComProperty(TComProperty::cpPort);
    GroupBoxComNr->setVisible(false);

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setGeometry(345, 208, 80, 25);
    Button1->setDefault(true);
    Hilfe1 = MakeHelpButton();
    Hilfe1->setGeometry(431, 208, 80, 25);
    Hilfe1->setAutoDefault(false);
    Button2 = new QPushButton(QStringLiteral("&Abbrechen"), this);
    Button2->setGeometry(517, 208, 80, 25);
    Button2->setAutoDefault(false);

    setTabOrder(ComboBox1, CheckBox2);
    setTabOrder(CheckBox2, ComboBox3);
    setTabOrder(ComboBox3, CheckBox1);
    setTabOrder(CheckBox1, ComboBox2);
    setTabOrder(ComboBox2, Kreis);
    setTabOrder(Kreis, Kreuz);
    setTabOrder(Kreuz, ComboBoxSkalierung);
    setTabOrder(ComboBoxSkalierung, EditSec_vS);
    setTabOrder(EditSec_vS, Edit1);
    setTabOrder(Edit1, Button1);
    setTabOrder(Button1, Hilfe1);
    setTabOrder(Hilfe1, Button2);

    for (TShape* shape : {Shape1, Shape2, Shape3}) {
        connect(shape, &TShape::leftReleased, this, [this, shape] { ShapeMouseUp(shape); });
    }
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<SettingsController::Choice> TForm3::Ask(const QString& port, PortChange changePort,
                                                      const SettingsController::Choice& current) {
    ComComboBox1->UpdateItems();
    ComComboBox1->PresetName(port);
    changePort_ = std::move(changePort);
    Edit1->setMaxLength(kUserNameMaxChars);
    Edit1->setText(current.userName);
    CheckBox2->setChecked(current.liveBarVisible);
    if (ShowModal() != QDialog::Accepted) {
        return std::nullopt;
    }
    return SettingsController::Choice{Edit1->text(), CheckBox2->isChecked()};
}

void TForm3::FormShow() {
    Shape1->setColor(colorFromRef(settings_.curveColor));
    ComboBox1->setCurrentIndex(indexFor(settings_.curveWidth, 1, kWidthCount));
    Shape2->setColor(colorFromRef(settings_.shotColor));
    ComboBox2->setCurrentIndex(indexFor(settings_.shotWidth, 1, kWidthCount));
    Shape3->setColor(colorFromRef(settings_.thresholdColor));
    ComboBox3->setCurrentIndex(indexFor(settings_.thresholdWidth, 1, kWidthCount));
    ComboBoxSkalierung->setCurrentIndex(indexFor(settings_.timeScale, 0, kTimeScaleCount));
    EditSec_vS->setText(QString::number(settings_.secondsBeforeShot));
    const int form = indexFor(settings_.shotMarkerForm, 0, 2);
    if (form >= 0) {
        ShotForm->button(form)->setChecked(true);
    } else {
        ShotForm->setExclusive(false);
        Kreis->setChecked(false);
        Kreuz->setChecked(false);
        ShotForm->setExclusive(true);
    }
    CheckBox1->setChecked(settings_.thresholdMarkerVisible != 0);
    ComboBoxSkalierung->setFocus();
}

void TForm3::ShapeMouseUp(TShape* shape) {
    if (const std::optional<QColor> chosen = modalUi().chooseColor(this, shape->color())) {
        shape->setColor(*chosen);
    }
}

int32_t TForm3::SekundenVorSchuss(const QString& text) {
    const int value = text.toInt();  // empty or not a number: 0
    return value < 1 ? 1 : value;
}

void TForm3::Button1Click() {
    try {
        // An unchanged name changes nothing; another reopens the line there.
        if (changePort_ && !ComComboBox1->ComSelected().isEmpty()) {
            changePort_(ComComboBox1->ComSelected());
        }
    } catch (const EComPort&) {
        modalUi().message(this, QStringLiteral("Fehler beim Öffnen der Com-Schnittstelle"),
                          Texts::kFehler, MessageButtons::Ok);
    }
    // A list without a selection gives index -1: a width of 0, as stored.
    settings_.curveColor = colorToRef(Shape1->color());
    settings_.curveWidth = static_cast<uint32_t>(ComboBox1->currentIndex() + 1);
    settings_.shotColor = colorToRef(Shape2->color());
    settings_.shotWidth = static_cast<uint32_t>(ComboBox2->currentIndex() + 1);
    settings_.thresholdColor = colorToRef(Shape3->color());
    settings_.thresholdWidth = static_cast<uint32_t>(ComboBox3->currentIndex() + 1);
    settings_.timeScale = static_cast<uint32_t>(ComboBoxSkalierung->currentIndex());
    settings_.secondsBeforeShot = SekundenVorSchuss(EditSec_vS->text());
    settings_.shotMarkerForm = static_cast<uint32_t>(ShotForm->checkedId());
    settings_.thresholdMarkerVisible = CheckBox1->isChecked() ? 1 : 0;
    accept();
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EditSec_vS && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
            // Moving between controls, closing the dialog, deleting and
            // moving the caret are no characters; they keep working.
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
            case Qt::Key_Escape:
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Backspace:
            case Qt::Key_Delete:
                return false;
            default:
                break;
        }
        const QString text = key->text();
        if (!text.isEmpty() &&
            !(text.size() == 1 && text.at(0).isDigit() && text.at(0) >= QLatin1Char('0') &&
              text.at(0) <= QLatin1Char('9'))) {
            return true;  // swallowed
        }
    }
    return ProgramDialog::eventFilter(watched, event);
}

}  // namespace ostrevik
