#pragma once
#include <QDialog>
#include <array>

class QCheckBox;
class QPushButton;
class QRadioButton;

namespace tera {

// dlgFile (入出力選択): how the grid is to read or write a file. There is one
// for the whole program, made on first use and afterwards only shown and
// hidden, so the chosen option, the enabled states and the file kind carry
// over from one use to the next.
class dlgFile : public QDialog {
    Q_OBJECT
public:
    // The one dialog; made on first call.
    static dlgFile &instance();

    // rSaveLoadSetting(0..4): 全ての情報, ﾃﾞｰﾀのみ, 属性情報のみ,
    // ｺﾝﾏ区切りﾃｷｽﾄ, ﾀﾌﾞ区切りﾃｷｽﾄ (laid out 4, 3, 0, 1, 2).
    std::array<QRadioButton *, 5> rSaveLoadSetting{};
    // Command1(0) ＯＫ, Command1(1) ｷｬﾝｾﾙ.
    std::array<QPushButton *, 2> Command1{};
    // The cancel flag: checked when the dialog was left with ｷｬﾝｾﾙ.
    QCheckBox *Check1 = nullptr;

    // The index of the option clicked last (0 when never clicked).
    qint16 fileKind() const { return m_fileKind; }
    bool cancelled() const;
    void clearCancel();

    // Enables the kinds that fit the file name: ".vsg" the grid's own
    // formats, ".csv" comma text, ".txt" comma or tab text, tried in that
    // order in any letter case; other names leave the states as they are.
    void EnableForFileName(const QString &path);

    // Clears the cancel flag and shows the dialog modally over owner.
    // Returns true when the user confirmed (the flag is clear).
    bool ask(QWidget *owner);
    // A choice the file name has just ruled out (greyed, yet still the
    // answer) gives way to the topmost choice still offered; a choice that
    // is offered stays as the user left it.
    void keepChoiceEnabled();

public slots:
    void rSaveLoadSetting_Click(int index);
    void Command1_Click(int index);

    // Esc and the frame's close box are no confirmation: they count as ｷｬﾝｾﾙ,
    // so a caller never loads a file the user turned away from.
    void reject() override;

private:
    dlgFile();
    qint16 m_fileKind = 0;
};

} // namespace tera
