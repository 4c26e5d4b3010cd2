#pragma once
// A small modal dialog whose lists and check boxes show controls of the editor's model and
// route the user's changes to the editor.
#include <QDialog>
#include <map>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;

namespace kpr {

class Editor;

class BoundDialog : public QDialog {
    Q_OBJECT

  public:
    BoundDialog(Editor& editor, QWidget* parent);
    QWidget* control(const std::string& name) const;
    void render();

  protected:
    QComboBox* addCombo(const std::string& name);
    QCheckBox* addCheck(const std::string& name, const QString& caption);
    QLabel* addLabel(const std::string& name, const QString& text);
    // Any other widget whose caption the model may hold (frames).
    void addControl(const std::string& name, QWidget* w);
    void paintEvent(QPaintEvent*) override;
    // Enter accepts the dialog wherever the focus is; the lists leave Enter to it.
    void keyPressEvent(QKeyEvent* e) override;

    Editor& editor_;

  private:
    void forwardClick(const std::string& name, int value);

    std::map<std::string, QWidget*> controls_;
    bool rendering_ = false;
};

} // namespace kpr
