#include "ui/bound_dialog.h"

#include "editor/editor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>

namespace kpr {

BoundDialog::BoundDialog(Editor& editor, QWidget* parent) : QDialog(parent), editor_(editor) {
    setModal(true);
}

QWidget* BoundDialog::control(const std::string& name) const {
    auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

QComboBox* BoundDialog::addCombo(const std::string& name) {
    auto* c = new QComboBox(this);
    c->setObjectName(QString::fromStdString(name));
    controls_[name] = c;
    connect(c, &QComboBox::activated, this, [this, name](int index) { forwardClick(name, index); });
    return c;
}

QCheckBox* BoundDialog::addCheck(const std::string& name, const QString& caption) {
    auto* c = new QCheckBox(caption, this);
    c->setObjectName(QString::fromStdString(name));
    controls_[name] = c;
    connect(c, &QCheckBox::clicked, this,
            [this, name](bool on) { forwardClick(name, on ? 1 : 0); });
    return c;
}

void BoundDialog::forwardClick(const std::string& name, int value) {
    if (rendering_)
        return;
    editor_.route(name, ControlEvent::Click, value);
    render();
}

QLabel* BoundDialog::addLabel(const std::string& name, const QString& text) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromStdString(name));
    controls_[name] = l;
    return l;
}

void BoundDialog::addControl(const std::string& name, QWidget* w) {
    w->setObjectName(QString::fromStdString(name));
    controls_[name] = w;
}

void BoundDialog::render() {
    rendering_ = true;
    const ControlModel& model = editor_.controls();
    for (auto& [name, w] : controls_) {
        if (!model.contains(name))
            continue;
        const ControlState& st = model.at(name);
        const QSignalBlocker block(w);
        w->setEnabled(st.enabled);
        w->setToolTip(QString::fromStdString(st.hint));
        if (auto* c = qobject_cast<QComboBox*>(w)) {
            QStringList items;
            for (const auto& i : st.items)
                items << QString::fromStdString(i);
            bool same = c->count() == items.size();
            for (int i = 0; same && i < items.size(); ++i)
                same = c->itemText(i) == items[i];
            if (!same) {
                c->clear();
                c->addItems(items);
            }
            c->setCurrentIndex(st.value < c->count() ? st.value : -1);
        } else if (auto* b = qobject_cast<QCheckBox*>(w)) {
            b->setChecked(st.value != 0);
            if (!st.text.empty())
                b->setText(QString::fromStdString(st.text));
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            if (!st.text.empty())
                l->setText(QString::fromStdString(st.text));
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            if (!st.text.empty())
                g->setTitle(QString::fromStdString(st.text));
        }
    }
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
