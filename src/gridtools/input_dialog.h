#pragma once
#include <QDialog>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tera {

class NumKeyFilter;

// The number dialog (数値の入力, object name dlgInput): asks for one whole
// number, such as the position a row or column is to move to. The grid
// commands make it on first use and keep it with their window, only showing
// and hiding it, so its box keeps what was typed last.
// The caller sets the prompt and the bounds, shows it and reads the cancel
// flag and the value.
class InputDialog : public QDialog {
    Q_OBJECT
public:
    explicit InputDialog(QWidget *parent = nullptr);

    bool wasCancelled = false;
    qint32 upper = 0;
    qint32 lower = 0;
    QString promptText;
    qint32 value = 0;

    QLabel *promptLabel;
    QLineEdit *valueEdit;
    // answerButtons(0) ＯＫ, answerButtons(1) ｷｬﾝｾﾙ.
    std::array<QPushButton *, 2> answerButtons{};

    // Every refused key that calls for a sound goes through here.
    std::function<void()> beep;

    // Shows the dialog modally over owner; true unless it was cancelled.
    bool ask(QWidget *owner);
    // What the dialog does each time it comes up.
    void prepare();

public slots:
    void onAnswerClicked(int index);
    // Esc and the close box count as ｷｬﾝｾﾙ.
    void reject() override;

private:
    NumKeyFilter *m_filter;
};

} // namespace tera
