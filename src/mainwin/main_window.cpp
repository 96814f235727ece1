#include "mainwin/main_window.h"

#include <QLabel>

namespace tera {

frmListKAKO2::frmListKAKO2(AppState &state, Prompt &prompt, QWidget *parent)
    : QMainWindow(parent), m_state(state), m_prompt(prompt)
{
    setObjectName(QStringLiteral("frmListKAKO2"));
    setWindowTitle(QStringLiteral("データ移行"));
    auto *label = new QLabel(QStringLiteral("データベース: %1").arg(m_state.gDbPath), this);
    label->setMargin(12);
    setCentralWidget(label);
    resize(900, 600);
}

} // namespace tera
