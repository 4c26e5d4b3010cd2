#include "ui/form6.h"

#include "editor/editor.h"
#include "ui/ncommand.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kpr {

Form6::Form6(Editor& editor, QWidget* parent) : BoundDialog(editor, parent) {
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Personal and Mail Drop Status Control"));
    auto* top = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    QLabel* title = addLabel("lblTitle", QStringLiteral("Personal and Mail Drop Status Control"));
    QFont tf = title->font();
    tf.setBold(true);
    tf.setPointSizeF(tf.pointSizeF() * 1.2);
    title->setFont(tf);
    head->addWidget(title);
    addTitleRow(this, head, top);

    auto* personal = new QHBoxLayout;
    personal->addWidget(addLabel("lblPersonal", QStringLiteral("Personal and Group Alert Length")));
    personal->addWidget(addCombo("cboPersonal"));
    personal->addStretch(1);
    top->addLayout(personal);

    QGroupBox* status = addFrame("fraMailStatus");
    auto* g = new QGridLayout(status);
    g->setHorizontalSpacing(8);
    g->setVerticalSpacing(3);
    const char* const hex = "123456789ABCDEF";
    for (int i = 0; i < 15; ++i) {
        const int col = (i / 8) * 4;
        const int row = i % 8;
        g->addWidget(addLabel(ctl("lblMailAler", i),
                              QStringLiteral("Mail Drop %1: A").arg(QLatin1Char(hex[i]))),
                     row, col);
        QComboBox* a = addCombo(ctl("cboMailAler", i));
        g->addWidget(a, row, col + 1);
        g->addWidget(new QLabel(QStringLiteral("H"), status), row, col + 2);
        QComboBox* h = addCombo(ctl("cboHis", i));
        g->addWidget(h, row, col + 3);
    }
    g->setColumnMinimumWidth(4, 12);
    top->addWidget(status);
    addOkRow(this, top);
    render();
}

} // namespace kpr
