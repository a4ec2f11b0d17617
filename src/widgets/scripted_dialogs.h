// ScriptedDialogs: the Dialogs seam for tests. Answers, file paths and nothing else come from queues the
// test fills; every message, question, file request and beep is recorded in order.
//
//   ScriptedDialogs d;
//   d.files.push_back("/tmp/x.hex");       // the next file dialog returns this ("" = cancel)
//   d.answers.push_back(Dialogs::Answer::No);
//   ... drive the window ...
//   QCOMPARE(d.messages.last(), QString("Carga correcta"));
#pragma once

#include <QList>
#include <QStringList>
#include <deque>

#include "widgets/dialogs.h"

namespace vandor {

class ScriptedDialogs final : public Dialogs {
public:
    std::deque<Answer> answers;  // empty: questions are answered Yes
    std::deque<QString> files;   // empty: file dialogs are cancelled

    QStringList messages;
    QList<Qt::Alignment> messageAlignments;
    QStringList questions;
    QList<FileRequest> fileRequests;
    int beeps = 0;

    void message(QWidget*, const QString& text, Qt::Alignment alignment) override {
        messages << text;
        messageAlignments << alignment;
    }
    Answer question(QWidget*, const QString& text, Buttons) override {
        questions << text;
        if (answers.empty()) return Answer::Yes;
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    QString openFile(QWidget*, const FileRequest& request) override { return nextFile(request); }
    QString saveFile(QWidget*, const FileRequest& request) override { return nextFile(request); }
    void beep() override { ++beeps; }

private:
    QString nextFile(const FileRequest& request) {
        fileRequests << request;
        if (files.empty()) return {};
        QString f = files.front();
        files.pop_front();
        return f;
    }
};

}  // namespace vandor
