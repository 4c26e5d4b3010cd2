#pragma once
// Operator messages as message boxes. Safe to call from any thread: a call from a worker
// (a transfer) is carried out by the UI thread while the worker waits for the answer.
#include "common/operator_messages.h"
#include "ui/thread_mailbox.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kpr {

class GuiMessages final : public QObject, public OperatorMessages {
    Q_OBJECT

  public:
    explicit GuiMessages(QObject* parent = nullptr);

    void message(const std::string& text, MessageIcon icon = MessageIcon::None) override;
    bool ask(const std::string& text) override;

    // Messages of the UI thread are kept instead of shown from hold() until release(), which
    // shows them in order: the window can put its settings in place at once and still tell
    // about them after the board search's own word.
    void hold() { held_ = true; }
    void release();

    // The window the boxes are centred on.
    void setParentWidget(QWidget* w) { parentWidget_ = w; }

    // Tests replace the boxes: the hook sees every text (and icon; Question for ask) and
    // gives the answer to a question.
    using Hook = std::function<bool(const std::string& text, MessageIcon icon, bool question)>;
    static void setTestHook(Hook hook);

    static constexpr const char* Title = "KPR35T Programmer";

  private:
    bool show(const std::string& text, MessageIcon icon, bool question);
    bool showOnUi(const QString& text, int icon, bool question);

    QPointer<QWidget> parentWidget_;
    bool held_ = false;
    std::vector<std::pair<std::string, MessageIcon>> kept_;
    ThreadMailbox mailbox_;
};

} // namespace kpr
