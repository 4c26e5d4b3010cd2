#include "ui/control_binder.h"

#include "editor/control_model.h"
#include "ui/eb_slider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kpr {

namespace {

QColor colour_of(uint32_t ref) {
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

} // namespace

QString shown(const QString& caption) {
    QString s = caption;
    return s.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

// Prompt entries are sized in blanks of their own font; the font is fixed-pitch, as the
// pager's display is, so a blank is as wide as any character and the text fits.
int blanks_width(const QFont& font, int blanks) {
    return QFontMetrics(font).horizontalAdvance(QString(blanks, QLatin1Char(' '))) + 8;
}

void ControlBinder::bind(const std::string& name, QWidget* w, Kind kind) {
    w->setObjectName(QString::fromStdString(name));
    bound_[name] = Bound{w, kind};
    names_[w] = name;
}

QString ControlBinder::caption(const std::string& name) const {
    return QString::fromStdString(model_.at(name).text);
}

QCheckBox* ControlBinder::check(const std::string& name, QWidget* parent) {
    auto* c = make<QCheckBox>(name, Kind::Check, parent);
    c->setText(caption(name));
    QObject::connect(c, &QCheckBox::clicked, c,
                     [this, name](bool checked) { click_(name, checked ? 1 : 0); });
    return c;
}

QComboBox* ControlBinder::combo(const std::string& name, QWidget* parent) {
    auto* c = make<QComboBox>(name, Kind::Combo, parent);
    QObject::connect(c, &QComboBox::activated, c, [this, name](int index) { click_(name, index); });
    return c;
}

QLabel* ControlBinder::label(const std::string& name, const QString& text, QWidget* parent) {
    auto* l = make<QLabel>(name, Kind::Label, parent);
    l->setText(shown(text));
    return l;
}

QPushButton* ControlBinder::button(const std::string& name, QWidget* parent) {
    auto* b = make<QPushButton>(name, Kind::Button, parent);
    b->setText(caption(name));
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, b, [this, name] { click_(name, 1); });
    return b;
}

QGroupBox* ControlBinder::frame(const std::string& name, QWidget* parent) {
    auto* g = make<QGroupBox>(name, Kind::Frame, parent);
    g->setTitle(caption(name));
    return g;
}

void ControlBinder::addBuddy(const std::string& caption, const std::string& field) {
    buddies_[caption] = field;
}

QWidget* ControlBinder::widget(const std::string& name) const {
    auto it = bound_.find(name);
    return it == bound_.end() ? nullptr : it->second.widget;
}

const std::string* ControlBinder::nameOf(const QWidget* w) const {
    auto it = names_.find(w);
    return it == names_.end() ? nullptr : &it->second;
}

std::vector<QWidget*> ControlBinder::widgets(std::initializer_list<Kind> kinds) const {
    std::vector<QWidget*> found;
    for (const auto& [name, b] : bound_)
        for (Kind k : kinds)
            if (b.kind == k)
                found.push_back(b.widget);
    return found;
}

void ControlBinder::render(const ControlModel& model, Visibility visibility) {
    for (const auto& [name, b] : bound_)
        if (model.contains(name))
            renderOne(model, name, b, visibility);
    // A caption follows the visibility of the control it names.
    if (visibility == Visibility::Follow)
        for (const auto& [caption, field] : buddies_)
            if (model.contains(field))
                widget(caption)->setHidden(!model.at(field).visible);
    applyEntryWidths(model);
}

void ControlBinder::applyEntryWidths(const ControlModel& model) {
    for (const auto& [name, b] : bound_) {
        if (b.kind != Kind::Text || !model.contains(name))
            continue;
        const ControlState& st = model.at(name);
        if (st.widthInBlanks <= 0)
            continue;
        b.widget->resize(blanks_width(b.widget->font(), st.widthInBlanks), b.widget->height());
    }
}

void ControlBinder::renderOne(const ControlModel& model, const std::string& name, const Bound& b,
                              Visibility visibility) {
    const ControlState& st = model.at(name);
    QWidget* w = b.widget;
    const QSignalBlocker block(w);
    if (w->isEnabled() != st.enabled)
        w->setEnabled(st.enabled);
    // A page of its own decides what is in front; every other control follows the model.
    if (w->isHidden() == st.visible && b.kind != Kind::Other && visibility == Visibility::Follow)
        w->setVisible(st.visible);
    const QString hint = QString::fromStdString(st.hint);
    if (w->toolTip() != hint)
        w->setToolTip(hint);
    const QString text = QString::fromStdString(st.text);
    switch (b.kind) {
    case Kind::Check: {
        auto* c = static_cast<QCheckBox*>(w);
        c->setChecked(st.value != 0);
        if (!st.text.empty() && c->text() != text)
            c->setText(text);
        break;
    }
    case Kind::Option: {
        auto* r = static_cast<QRadioButton*>(w);
        if (r->isChecked() != (st.value != 0))
            r->setChecked(st.value != 0);
        break;
    }
    case Kind::Combo: {
        auto* c = static_cast<QComboBox*>(w);
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
        if (c->currentIndex() != st.value)
            c->setCurrentIndex(st.value < c->count() ? st.value : -1);
        break;
    }
    case Kind::Text: {
        auto* e = static_cast<QLineEdit*>(w);
        if (e->text() != text)
            e->setText(text);
        if (e->font().bold() != st.bold) {
            QFont f = e->font();
            f.setBold(st.bold);
            e->setFont(f);
        }
        break;
    }
    case Kind::Label: {
        auto* l = static_cast<QLabel*>(w);
        const QString t = shown(text);
        if (l->text() != t)
            l->setText(t);
        QPalette p = l->palette();
        if (p.color(QPalette::WindowText) != colour_of(st.foreColour)) {
            p.setColor(QPalette::WindowText, colour_of(st.foreColour));
            l->setPalette(p);
        }
        break;
    }
    case Kind::Caption: {
        auto* l = static_cast<QLabel*>(w);
        if (!st.text.empty() && l->text() != text)
            l->setText(text);
        break;
    }
    case Kind::Button: {
        // Buttons, boxes and frames show a doubled ampersand as one by themselves.
        auto* p = static_cast<QPushButton*>(w);
        if (!st.text.empty() && p->text() != text)
            p->setText(text);
        break;
    }
    case Kind::Frame: {
        auto* g = static_cast<QGroupBox*>(w);
        if (!st.text.empty() && g->title() != text)
            g->setTitle(text);
        break;
    }
    case Kind::Slider: {
        auto* s = static_cast<EbSlider*>(w);
        if (s->Value() != st.value)
            s->setValue(st.value);
        break;
    }
    case Kind::Other:
        break;
    }
}

} // namespace kpr
