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
    auto* disp = new QGroupBox(QStringLiteral("Message Disable and Display"), this);
    auto* type = new QGroupBox(QStringLiteral("Message Type"), this);
    auto* pri = new QGroupBox(QStringLiteral("Priority Alert Control"), this);
    addControl("fraDisp", disp);
    addControl("fraType", type);
    addControl("fraPri", pri);
    auto* dl = new QGridLayout(disp);
    auto* tl = new QGridLayout(type);
    auto* pl = new QVBoxLayout(pri);
    const char* const letters = "ABCD";
    for (int f = 0; f < 4; ++f) {
        const QString bit = QStringLiteral("Fun. Bit %1").arg(QLatin1Char(letters[f]));
        dl->addWidget(new QLabel(bit, disp), f, 0);
        QComboBox* d = addCombo(ctl("cboDisp", f), [this, f] { editor_.cboDisp_Click(f); });
        dl->addWidget(d, f, 1);
        tl->addWidget(new QLabel(bit, type), f, 0);
        QComboBox* t = addCombo(ctl("cboType", f), [this, f] { editor_.cboType_Click(f); });
        tl->addWidget(t, f, 1);
        QCheckBox* p = addCheck(ctl("chkPri", f), bit, [this, f] { editor_.chkPri_Click(f); });
        pl->addWidget(p);
    }
    frames->addWidget(disp);
    frames->addWidget(type);
    frames->addWidget(pri);
    top->addLayout(frames);
    addOkRow(this, top);
    render();
}

} // namespace kpr
