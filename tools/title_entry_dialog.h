#pragma once
// The modal "Add Title" / "Edit Title" dialog: one title and its data text,
// each at most kMaxLength characters (longer input is refused as it is typed,
// so nothing is cut off unseen). OK with an empty title does nothing. The
// title takes no "," and does not start with ";" or "[", which the data file
// could not give back.
#include <QDialog>

#include <string>

class QLineEdit;

namespace zlm {

class TitleEntryDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TitleEntryDialog)
public:
    static constexpr int kMaxLength = 99; // characters per field

    // `fontPixels`: the program's dialog font size, used for the two fields.
    TitleEntryDialog(const std::string& caption, const std::string& title, const std::string& data,
                     int fontPixels, QWidget* parent = nullptr);
    ~TitleEntryDialog() override;

    std::string title() const { return m_title; }
    std::string data() const { return m_dataText; }

    QLineEdit* titleEdit() const { return m_titleEdit; }
    QLineEdit* dataEdit() const { return m_dataEdit; }

public slots:
    void accept() override;

private:
    QLineEdit* m_titleEdit = nullptr;  // "&Title" 1157
    QLineEdit* m_dataEdit = nullptr;   // "&Data" 1158
    std::string m_title;
    std::string m_dataText;
};

} // namespace zlm
