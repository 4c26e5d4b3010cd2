#include "ui/form5.h"

#include "editor/editor.h"
#include "ui/ncommand.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kpr {

Form5::Form5(Editor& editor, QWidget* parent) : BoundDialog(editor, parent) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Capcode Function Bit Setting"));
    auto* top = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    QLabel* title = addLabel("lblTitle", QStringLiteral("Capcode Function Bit Setting"));
    QFont tf = title->font();
    tf.setBold(true);
    tf.setPointSizeF(tf.pointSizeF() * 1.2);
    title->setFont(tf);
    head->addWidget(title);
    QLabel* slot =
        addLabel("lblFuncSlot", QStringLiteral("#%1").arg(editor.flags().FunctionBitSlot + 1));
    slot->setFont(tf);
    head->addWidget(slot);
    addTitleRow(this, head, top);

    auto* frames = new QHBoxLayout;
    QGroupBox* disp = addFrame("fraDisp");
    QGroupBox* type = addFrame("fraType");
    QGroupBox* pri = addFrame("fraPri");
    auto* dl = new QGridLayout(disp);
    auto* tl = new QGridLayout(type);
    auto* pl = new QVBoxLayout(pri);
    // One frame after the other, so Tab goes down each frame before the next.
    const auto bit = [](int f) { return QStringLiteral("Fun. Bit %1").arg(QChar(u'A' + f)); };
    for (int f = 0; f < 4; ++f) {
        dl->addWidget(new QLabel(bit(f), disp), f, 0);
        dl->addWidget(addCombo(ctl("cboDisp", f)), f, 1);
    }
    for (int f = 0; f < 4; ++f) {
        tl->addWidget(new QLabel(bit(f), type), f, 0);
        tl->addWidget(addCombo(ctl("cboType", f)), f, 1);
    }
    for (int f = 0; f < 4; ++f)
        pl->addWidget(addCheck(ctl("chkPri", f)));
    frames->addWidget(disp);
    frames->addWidget(type);
    frames->addWidget(pri);
    top->addLayout(frames);
    addOkRow(this, top);
    render();
}

} // namespace kpr
