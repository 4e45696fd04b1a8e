#pragma once

#include "ui/shell/Desktop.h"

#include <QList>
#include <QStringList>
#include <QUrl>
#include <deque>

namespace vantor::test {

// Answers message boxes and file dialogs from queues and records what was asked, so tests run
// without anyone clicking and without starting a browser.
class AnsweringDesktop : public Desktop {
public:
    struct Message {
        QString prompt;
        int buttons;
    };

    QList<Message> messages;
    std::deque<int> answers;       // OK/Yes when empty
    std::deque<QString> fileNames; // an empty name (cancel) when empty
    QStringList fileDialogFilters; // the filter of every file dialog, in order
    QList<QUrl> openedUrls;
    bool browserTakesUrls = true;

    int MsgBox(const QString& prompt, int buttons, const QString&) override {
        messages.append({prompt, buttons});
        const int kind = buttons & 7;
        return next(answers, kind == mb::YesNo || kind == mb::YesNoCancel ? mb::Yes : mb::OK);
    }
    QString OpenFileName(QWidget*, const QString&, const QString& filter) override {
        fileDialogFilters << filter;
        return next(fileNames, QString());
    }
    QString SaveFileName(QWidget* parent, const QString& title, const QString& filter) override {
        return OpenFileName(parent, title, filter);
    }
    bool OpenUrl(const QUrl& url) override {
        if (browserTakesUrls)
            openedUrls << url;
        return browserTakesUrls;
    }

    QStringList Prompts() const {
        QStringList prompts;
        for (const Message& m : messages)
            prompts << m.prompt;
        return prompts;
    }

private:
    template <typename T> static T next(std::deque<T>& queue, T fallback) {
        if (queue.empty())
            return fallback;
        T front = queue.front();
        queue.pop_front();
        return front;
    }
};

} // namespace vantor::test
