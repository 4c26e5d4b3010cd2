#pragma once
// Shows controls of the editor's model in their widgets and hands the user's clicks back. The
// one place that knows how a control of the model looks as a check box, a list, an entry, a
// label, a button, a frame, an option button or the contrast slider; the main window and the
// bound dialogs each keep one.
#include <QString>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QFont;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace kpr {

class ControlModel;

// A doubled ampersand shows as one.
QString shown(const QString& caption);
// The width of an entry that holds `blanks` blanks of `font`, its frame included.
int blanks_width(const QFont& font, int blanks);

class ControlBinder {
  public:
    // Caption: a label whose built caption stays until the model gives it a text of its own
    // (the dialogs' labels). Other: a widget the model names but does not draw (pages).
    enum class Kind { Check, Combo, Text, Label, Caption, Button, Option, Slider, Frame, Other };
    // Follow: each control is shown or hidden as the model says. Keep: every control stays
    // where it is, shown or not (while a window lays its controls out; dialogs show all).
    enum class Visibility { Follow, Keep };
    // A click on a check box or button, or a choice in a list: (control name, value).
    using Click = std::function<void(const std::string& name, int value)>;

    // The captions of check boxes, frames and buttons come from `model`, which outlives the
    // binder.
    ControlBinder(const ControlModel& model, Click click)
        : model_(model), click_(std::move(click)) {}

    // The widget `w` shows the control `name` from now on; it takes the control's name.
    void bind(const std::string& name, QWidget* w, Kind kind);
    template <class W> W* make(const std::string& name, Kind kind, QWidget* parent) {
        auto* w = new W(parent);
        bind(name, w, kind);
        return w;
    }
    QCheckBox* check(const std::string& name, QWidget* parent);
    QComboBox* combo(const std::string& name, QWidget* parent);
    QLabel* label(const std::string& name, const QString& text, QWidget* parent);
    QPushButton* button(const std::string& name, QWidget* parent);
    QGroupBox* frame(const std::string& name, QWidget* parent);
    // The caption the model gives the control.
    QString caption(const std::string& name) const;
    // A caption of the window's own that is shown while the control it names is.
    void addBuddy(const std::string& caption, const std::string& field);

    QWidget* widget(const std::string& name) const;
    // The control a widget shows; null for a widget bound to none.
    const std::string* nameOf(const QWidget* w) const;
    // The bound widgets of these kinds, in the order of their names.
    std::vector<QWidget*> widgets(std::initializer_list<Kind> kinds) const;

    // Shows every bound control the model holds as the model has it.
    void render(const ControlModel& model, Visibility visibility);
    // Entries the model sizes in blanks of their own font take that width.
    void applyEntryWidths(const ControlModel& model);

  private:
    struct Bound {
        QWidget* widget = nullptr;
        Kind kind = Kind::Other;
    };
    void renderOne(const ControlModel& model, const std::string& name, const Bound& b,
                   Visibility visibility);

    const ControlModel& model_;
    Click click_;
    std::map<std::string, Bound> bound_;
    std::map<const QWidget*, std::string> names_;
    std::map<std::string, std::string> buddies_; // caption label -> the control it names
};

} // namespace kpr
