#pragma once
// A small modal dialog whose lists and check boxes show controls of the editor's model and
// route the user's changes to the editor.
#include "ui/control_binder.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
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
    QCheckBox* addCheck(const std::string& name);
    QLabel* addLabel(const std::string& name, const QString& text);
    // A frame whose title the model may hold.
    QGroupBox* addFrame(const std::string& name);
    void paintEvent(QPaintEvent*) override;
    // Enter accepts the dialog wherever the focus is; the lists leave Enter to it.
    void keyPressEvent(QKeyEvent* e) override;

    Editor& editor_;

  private:
    void forwardClick(const std::string& name, int value);

    ControlBinder binder_;
    bool rendering_ = false;
};

} // namespace kpr
