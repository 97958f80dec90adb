#pragma once

#include "analysis/TakeUpScore.h"

#include <QObject>
#include <QString>

class QWidget;

namespace ostrevik {

// The rings of one document's take-ups as the window "Analyse" shows them
// and takes them typed in. Whoever keeps the rings (the season archive)
// stands above the analysis; the program hands the window a keeper of its
// own (AnalysisExtensions) and the window knows only this.
class RingKeeper : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // By the document's take-up numbers (from 1).
    virtual const SessionScores& scores() const = 0;
    // Why the rings cannot be read, in words; empty when they can.
    virtual QString problem() const = 0;
    // Reads the rings anew (the file saved under another name, the rings
    // changed by another window or program).
    virtual void reload() = 0;
    // After the document's take-ups changed: the rings stay with theirs.
    virtual void follow() = 0;
    // A ring typed for the take-up of record listIndex ("9,8", empty takes
    // it away). When it is not kept, the user is told why (over parent).
    virtual bool enter(QWidget* parent, int listIndex, const QString& text) = 0;
    // Replaces the rings by a target's list (by take-up number), all or
    // none. When they are not kept, the user is told why (over parent).
    virtual bool importList(QWidget* parent, const SessionScores& scores) = 0;

signals:
    // The rings shown are others (or cannot be read any more).
    void changed();
};

// A document without a keeper of rings: none are read, none are kept.
class NoRings final : public RingKeeper {
public:
    using RingKeeper::RingKeeper;
    const SessionScores& scores() const override { return scores_; }
    QString problem() const override { return {}; }
    void reload() override {}
    void follow() override {}
    bool enter(QWidget*, int, const QString&) override { return false; }
    bool importList(QWidget*, const SessionScores&) override { return false; }

private:
    SessionScores scores_;
};

}  // namespace ostrevik
