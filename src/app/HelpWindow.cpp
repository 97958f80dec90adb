#include "app/HelpWindow.h"

#include "common/HelpTopics.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"

#include <QAction>
#include <QHBoxLayout>
#include <QListWidget>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

namespace ostrevik {

ChmBrowser::ChmBrowser(const ChmArchive& archive, QWidget* parent)
    : QTextBrowser(parent), archive_(archive) {
    setOpenExternalLinks(false);
    setOpenLinks(true);
}

QVariant ChmBrowser::loadResource(int type, const QUrl& name) {
    bool ok = false;
    const QByteArray data = archive_.read(name.path(), &ok);
    if (!ok) {
        return QTextBrowser::loadResource(type, name);
    }
    if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource) {
        return QString::fromUtf8(data);
    }
    return data;
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(tr("Ostrevik Hilfe"));
    resize(860, 600);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* tools = new QToolBar(this);
    layout->addWidget(tools);
    auto* splitter = new QSplitter(this);
    layout->addWidget(splitter, 1);
    contents_ = new QListWidget(splitter);
    browser_ = new ChmBrowser(archive_, splitter);
    splitter->addWidget(contents_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({200, 660});

    QAction* back = tools->addAction(tr("Zurück"), browser_, &QTextBrowser::backward);
    QAction* forward = tools->addAction(tr("Vorwärts"), browser_, &QTextBrowser::forward);
    tools->addAction(tr("Inhalt"), this, [this] { showTopic(HelpTopics::Einleitung); });
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(contents_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        browser_->setSource(QUrl(item->data(Qt::UserRole).toString()));
    });
    connect(contents_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        browser_->setSource(QUrl(item->data(Qt::UserRole).toString()));
    });
}

void HelpWindow::setHelpFile(const QString& path) {
    if (path != helpFile_) {
        helpFile_ = path;
        archive_.open(QString());  // closes the old one
    }
}

bool HelpWindow::ensureOpen() {
    if (archive_.isOpen()) {
        return true;
    }
    if (!archive_.open(helpFile_)) {
        modalUi().message(parentWidget(),
                          tr("Die Hilfedatei %1 konnte nicht geöffnet werden.").arg(helpFile_),
                          Texts::kFehler, MessageButtons::Ok);
        return false;
    }
    fillContents();
    return true;
}

void HelpWindow::fillContents() {
    contents_->clear();
    for (const auto& topic : archive_.contents()) {
        auto* item = new QListWidgetItem(topic.title, contents_);
        item->setData(Qt::UserRole, topic.page);
    }
}

bool HelpWindow::showTopic(const QString& page) {
    if (!ensureOpen()) {
        return false;
    }
    if (!archive_.contains(page)) {
        modalUi().message(parentWidget(), tr("Die Hilfeseite %1 wurde nicht gefunden.").arg(page),
                          Texts::kFehler, MessageButtons::Ok);
        return false;
    }
    browser_->setSource(QUrl(page));
    for (int i = 0; i < contents_->count(); ++i) {
        if (contents_->item(i)->data(Qt::UserRole).toString() == page) {
            contents_->setCurrentRow(i);
        }
    }
    show();
    raise();
    activateWindow();
    return true;
}

QString HelpWindow::currentPage() const {
    return browser_->source().path();
}

}  // namespace ostrevik
