#pragma once
#include "session/startup.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tera {
class Prompt;

// frm確認: asks where the temple product's data lies when the search found
// nothing. (Qt's meta-object compiler takes ASCII class names only; the form's
// own name is the alias below and its object name.)
class DatabaseLocationForm : public QDialog {
    Q_OBJECT
public:
    DatabaseLocationForm(AppState &state, Prompt &prompt, QWidget *parent = nullptr);

    bool cancelFlag() const { return m_cancel; }
    // OK with an empty path, confirmed: the program is to end.
    bool endRequested() const { return m_end; }
    // The file picker; tests replace it.
    std::function<QString()> pickFile;

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLineEdit *Text1;
    QPushButton *Command2;
    QPushButton *Command1;
    QPushButton *Command3;

    static QString emptyPathQuestion();

public slots:
    void Command2_Click();
    void Command1_Click();
    void Command3_Click();

private:
    AppState &m_state;
    Prompt &m_prompt;
    bool m_cancel = false;
    bool m_end = false;
};

using frm確認 = DatabaseLocationForm;

// Start-up's view of the dialog: shows frm確認 modally.
class WidgetLocationDialog : public LocationDialog {
public:
    explicit WidgetLocationDialog(Prompt &prompt) : m_prompt(prompt) {}
    bool showLocationDialog(AppState &state) override;

private:
    Prompt &m_prompt;
};

} // namespace tera
