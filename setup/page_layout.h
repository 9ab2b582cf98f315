#pragma once
// The frame both installer pages share: the banner on the left, the page's
// lines on the right, a rule and the buttons at the bottom right.
#include <QString>

#include <initializer_list>
#include <string_view>

class QBoxLayout;
class QDialog;
class QLabel;
class QPushButton;
class QWidget;

namespace zlm::setup {

// A line of page text; `name` is the object name tests find it by.
QLabel* pageLine(QWidget* parent, std::string_view text, const char* name = nullptr);

void layOutPage(QDialog* page, QBoxLayout* content, std::initializer_list<QPushButton*> buttons);

} // namespace zlm::setup
