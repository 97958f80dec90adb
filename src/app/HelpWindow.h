#pragma once

#include "common/ChmArchive.h"

#include <QTextBrowser>
#include <QWidget>

class QListWidget;

namespace ostrevik {

// Shows pages of the compiled help file; links between pages, style sheets
// and pictures are read from the archive.
class ChmBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit ChmBrowser(const ChmArchive& archive, QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;

private:
    const ChmArchive& archive_;
};

// The help viewer: table of contents on the left, the page on the right.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void setHelpFile(const QString& path);
    QString helpFile() const { return helpFile_; }
    // Opens the help file if needed and shows the topic page. False (after
    // telling the user) when the file or the page cannot be found.
    bool showTopic(const QString& page);
    QString currentPage() const;
    ChmBrowser* browser() const { return browser_; }

private:
    bool ensureOpen();
    void fillContents();

    QString helpFile_;
    ChmArchive archive_;
    QListWidget* contents_ = nullptr;
    ChmBrowser* browser_ = nullptr;
};

}  // namespace ostrevik
