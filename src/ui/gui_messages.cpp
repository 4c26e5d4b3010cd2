#include "ui/gui_messages.h"

#include <QThread>

#include "ui/thread_mailbox.h"

#include <QMessageBox>
#include <mutex>

namespace kpr {

namespace {
std::mutex hookMutex;
GuiMessages::Hook testHook;
} // namespace

GuiMessages::GuiMessages(QObject* parent) : QObject(parent) {}

void GuiMessages::setTestHook(Hook hook) {
    std::lock_guard lock(hookMutex);
    testHook = std::move(hook);
}

void GuiMessages::message(const std::string& text, MessageIcon icon) {
    if (held_ && QThread::currentThread() == thread()) {
        kept_.emplace_back(text, icon);
        return;
    }
    show(text, icon, false);
}

void GuiMessages::release() {
    held_ = false;
    for (const auto& [text, icon] : std::exchange(kept_, {}))
        show(text, icon, false);
}

bool GuiMessages::ask(const std::string& text) {
    return show(text, MessageIcon::Question, true);
}

bool GuiMessages::show(const std::string& text, MessageIcon icon, bool question) {
    bool answer = false;
    mailbox_.run(
        [&] { answer = showOnUi(QString::fromStdString(text), static_cast<int>(icon), question); });
    return answer;
}

bool GuiMessages::showOnUi(const QString& text, int icon, bool question) {
    {
        Hook hook;
        {
            std::lock_guard lock(hookMutex);
            hook = testHook;
        }
        if (hook)
            return hook(text.toStdString(), static_cast<MessageIcon>(icon), question);
    }
    QMessageBox box(parentWidget_ ? parentWidget_.data() : nullptr);
    box.setWindowTitle(QString::fromLatin1(Title));
    box.setText(text);
    switch (static_cast<MessageIcon>(icon)) {
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MessageIcon::None:
        break;
    }
    if (question) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Yes;
}

} // namespace kpr
