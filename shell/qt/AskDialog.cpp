#include "AskDialog.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

namespace Unit1 {

std::optional<int> AskWithButtons(QWidget* parent, const std::string& text,
                                  const std::vector<std::string>& answers, std::size_t escapeAnswer,
                                  bool columns)
{
    if (answers.empty())
        return std::nullopt;
    QMessageBox box(QMessageBox::Question, "Korvane", QString::fromStdString(text), QMessageBox::NoButton,
                    parent);
    box.setTextFormat(Qt::PlainText);
    if (columns) {
        // The box wraps its text at spaces: spaces that do not break keep each line whole.
        box.setText(QString::fromStdString(text).replace(QChar(' '), QChar(0x00A0)));
        if (auto* label = box.findChild<QLabel*>("qt_msgbox_label"))
            label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }
    std::vector<QAbstractButton*> buttons;
    for (const std::string& answer : answers)
        buttons.push_back(box.addButton(QString::fromStdString(answer), QMessageBox::AcceptRole));
    box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
    box.setEscapeButton(buttons[std::min(escapeAnswer, buttons.size() - 1)]);
    box.exec();
    const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    if (chosen == buttons.end())
        return std::nullopt;
    return static_cast<int>(chosen - buttons.begin());
}

} // namespace Unit1
