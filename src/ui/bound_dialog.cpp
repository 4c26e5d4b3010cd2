#include "ui/bound_dialog.h"

#include "editor/editor.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>

namespace kpr {

BoundDialog::BoundDialog(Editor& editor, QWidget* parent)
    : QDialog(parent), editor_(editor),
      binder_(editor.controls(),
              [this](const std::string& name, int value) { forwardClick(name, value); }) {
    setModal(true);
}

QWidget* BoundDialog::control(const std::string& name) const {
    return binder_.widget(name);
}

QComboBox* BoundDialog::addCombo(const std::string& name) {
    return binder_.combo(name, this);
}

QCheckBox* BoundDialog::addCheck(const std::string& name) {
    return binder_.check(name, this);
}

void BoundDialog::forwardClick(const std::string& name, int value) {
    if (rendering_)
        return;
    editor_.route(name, ControlEvent::Click, value);
    render();
}

QLabel* BoundDialog::addLabel(const std::string& name, const QString& text) {
    auto* l = binder_.make<QLabel>(name, ControlBinder::Kind::Caption, this);
    l->setText(text);
    return l;
}

QGroupBox* BoundDialog::addFrame(const std::string& name) {
    return binder_.frame(name, this);
}

void BoundDialog::render() {
    rendering_ = true;
    binder_.render(editor_.controls(), ControlBinder::Visibility::Keep);
    rendering_ = false;
}

void BoundDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void BoundDialog::paintEvent(QPaintEvent*) {
    // The background picture, stretched over the whole dialog.
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(0xe9, 0xef, 0xf8));
    g.setColorAt(1, QColor(0xc9, 0xd6, 0xea));
    p.fillRect(rect(), g);
}

} // namespace kpr
