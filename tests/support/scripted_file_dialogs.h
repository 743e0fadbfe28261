#pragma once
// File dialogs for tests: each dialog takes the next scripted path
// (an empty string answers Cancel).

#include "common/file_dialogs.h"

#include <QStringList>

#include <deque>

namespace sonavistor::test {

class ScriptedFileDialogs : public FileDialogService {
public:
    void choose(const QString& path) { answers_.push_back(path); }
    void cancel() { answers_.push_back(QString()); }

    QString getSaveFileName(QWidget*, const QString& filter, const QString&) override
    {
        return next(filter);
    }
    QString getOpenFileName(QWidget*, const QString& filter) override { return next(filter); }

    int shown() const { return shown_; }
    const QStringList& filters() const { return filters_; }

private:
    QString next(const QString& filter)
    {
        ++shown_;
        filters_ << filter;
        if (answers_.empty())
            return QString();
        QString answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    std::deque<QString> answers_;
    QStringList filters_;
    int shown_ = 0;
};

}  // namespace sonavistor::test
