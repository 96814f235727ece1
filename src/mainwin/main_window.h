#pragma once
#include "app/app_state.h"

#include <QMainWindow>

namespace tera {
class Prompt;

// frmListKAKO2: the main window of the import.
class frmListKAKO2 : public QMainWindow {
    Q_OBJECT
public:
    frmListKAKO2(AppState &state, Prompt &prompt, QWidget *parent = nullptr);

private:
    AppState &m_state;
    Prompt &m_prompt;
};

} // namespace tera
