#pragma once
#include <QDialog>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tera {

class NumKeyFilter;

// dlgInput (数値の入力): asks for one whole number, such as the position a
// row or column is to move to. One for the whole program, made on first use
// and afterwards only shown and hidden, so its box keeps what was typed last.
// The caller sets the prompt and the bounds, shows it and reads the cancel
// flag and the value.
class dlgInput : public QDialog {
    Q_OBJECT
public:
    static dlgInput &instance();

    bool mCancel = false;
    qint32 mUpper = 0;
    qint32 mLower = 0;
    QString mPrompt;
    qint32 mValue = 0;

    QLabel *Label1;
    QLineEdit *Text1;
    // Command1(0) ＯＫ, Command1(1) ｷｬﾝｾﾙ.
    std::array<QPushButton *, 2> Command1{};

    // Every refused key that calls for a sound goes through here.
    std::function<void()> beep;

    // Shows the dialog modally over owner; true unless it was cancelled.
    bool ask(QWidget *owner);
    // What the dialog does each time it comes up.
    void Form_Activate();

public slots:
    void Command1_Click(int index);
    // Esc and the close box count as ｷｬﾝｾﾙ.
    void reject() override;

private:
    dlgInput();
    NumKeyFilter *m_filter;
};

} // namespace tera
