#pragma once
#include "session/startup.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tera {
class Prompt;

// The location dialog (object name frm確認): asks where the temple product's
// data lies when the search found nothing.
class DatabaseLocationForm : public QDialog {
    Q_OBJECT
public:
    DatabaseLocationForm(AppState &state, Prompt &prompt, QWidget *parent = nullptr);

    bool cancelFlag() const { return m_cancel; }
    // OK with an empty path, confirmed: the program is to end.
    bool endRequested() const { return m_end; }
    // The file picker; tests replace it.
    std::function<QString()> pickFile;

    QLabel *headingLabel;
    QLabel *fileNameLabel;
    QLabel *installHintLabel;
    QLineEdit *pathEdit;
    QPushButton *chooseFileButton;
    QPushButton *okButton;
    QPushButton *cancelButton;

    static QString emptyPathQuestion();

public slots:
    void onChooseFileClicked();
    void onOkClicked();
    void onCancelClicked();

private:
    AppState &m_state;
    Prompt &m_prompt;
    bool m_cancel = false;
    bool m_end = false;
};

// Start-up's view of the dialog: shows DatabaseLocationForm modally.
class WidgetLocationDialog : public LocationDialog {
public:
    explicit WidgetLocationDialog(Prompt &prompt) : m_prompt(prompt) {}
    bool showLocationDialog(AppState &state) override;

private:
    Prompt &m_prompt;
};

} // namespace tera
