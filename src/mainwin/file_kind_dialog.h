#pragma once
#include "gridtools/file_kind_chooser.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QPushButton;
class QRadioButton;

namespace tera {

// The file-kind dialog (入出力選択, object name dlgFile): how the grid is to
// read or write a file. The main window owns one and lends it to the import
// window's file commands; it is only shown and hidden, so the chosen option,
// the enabled states and the file kind carry over from one use to the next.
class FileKindDialog : public QDialog, public FileKindChooser {
    Q_OBJECT
public:
    explicit FileKindDialog(QWidget *parent = nullptr);

    // kindButtons(0..5): 全ての情報, ﾃﾞｰﾀのみ, 属性情報のみ,
    // ｺﾝﾏ区切りﾃｷｽﾄ, ﾀﾌﾞ区切りﾃｷｽﾄ, 表計算ブック (laid out 5, 4, 3, 0, 1, 2).
    static constexpr int kKinds = 6;
    std::array<QRadioButton *, kKinds> kindButtons{};
    // answerButtons(0) ＯＫ, answerButtons(1) ｷｬﾝｾﾙ.
    std::array<QPushButton *, 2> answerButtons{};
    // The cancel flag: checked when the dialog was left with ｷｬﾝｾﾙ.
    QCheckBox *cancelledBox = nullptr;

    // The index of the option clicked last (0 when never clicked).
    qint16 fileKind() const { return m_fileKind; }
    bool cancelled() const;
    void clearCancel();

    // Enables the kinds that fit the file name: ".vsg" the grid's own
    // formats, ".csv" comma text, ".txt" comma or tab text, tried in that
    // order in any letter case, and a workbook's names (.xlsx, .xlsm, .xls,
    // .ods) the workbook kind alone; other names leave the states as they are.
    void enableForFileName(const QString &path);

    // Clears the cancel flag and shows the dialog modally over owner.
    // Returns true when the user confirmed (the flag is clear).
    bool ask(QWidget *owner);
    // A choice the file name has just ruled out (greyed, yet still the
    // answer) gives way to the topmost choice still offered; a choice that
    // is offered stays as the user left it.
    void keepChoiceEnabled();

    // The grid tools' question: the kinds that fit path offered, then ask.
    std::optional<int> chooseFileKind(QWidget *owner, const QString &path) override;

public slots:
    void onKindClicked(int index);
    void onAnswerClicked(int index);

    // Esc and the frame's close box are no confirmation: they count as ｷｬﾝｾﾙ,
    // so a caller never loads a file the user turned away from.
    void reject() override;

private:
    qint16 m_fileKind = 0;
};

} // namespace tera
