#pragma once

#include <QWidget>

class QLabel;

namespace ostrevik {

// "Druck-Fortschritt": a small window, always on top, that shows which page
// is being printed. It has no close box and offers no way to cancel; it is
// shown only while a document prints.
class TForm5 : public QWidget {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    // Sets the progress text and paints it at once: printing does not return
    // to the event loop between pages.
    void FortschrittZeigen(const QString& text);

    QLabel* Label1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

// Shows the progress window for the lifetime of one print command and hides
// it again afterwards, also when printing ends early.
class DruckFortschrittAnzeige {
public:
    explicit DruckFortschrittAnzeige(TForm5& form);
    ~DruckFortschrittAnzeige();
    DruckFortschrittAnzeige(const DruckFortschrittAnzeige&) = delete;
    DruckFortschrittAnzeige& operator=(const DruckFortschrittAnzeige&) = delete;

private:
    TForm5& form_;
};

}  // namespace ostrevik
