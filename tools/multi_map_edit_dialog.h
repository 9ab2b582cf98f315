#pragma once
// The modal "Multi Map Edit" dialog: the user picks #1 (a map whose name ends
// in a digit), up to three partners of the same stem, and the link mode
// ("#1, #2, #3, #4" or "#1, #4 / #2, #3"); "&Individual Edit" ends the link.
// On OK the choice is put in force on the data set (data/map_link.h) and the
// labels for the edit bar's Label list are ready in labels().
#include "data/map_link.h"

#include <QDialog>

#include <array>
#include <string>
#include <vector>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace zlm {

class EcuDataSet;
class Prompts;

class MultiMapEditDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MultiMapEditDialog)
public:
    // `fontPixels`: the program's dialog font size, used for the map lists.
    MultiMapEditDialog(EcuDataSet& data, Prompts& prompts, int fontPixels,
                       QWidget* parent = nullptr);
    ~MultiMapEditDialog() override;

    // After OK: the Label list's new entries and the one to select (mode 2:
    // the name of #1).
    const std::vector<std::string>& labels() const { return m_labels; }
    const std::string& firstLabel() const { return m_firstLabel; }

    // --- controls, for tests and screenshots ------------------------------------
    QComboBox* mapList(int slot) const { return m_lists[static_cast<std::size_t>(slot)]; }
    QRadioButton* allButton() const { return m_all; }
    QRadioButton* pairsButton() const { return m_pairs; }
    QGroupBox* modeGroup() const { return m_modeGroup; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* individualButton() const { return m_individual; }

public slots:
    void accept() override;

private:
    LinkNames chosenNames() const;
    void fillPartners();
    void selectText(QComboBox* list, const std::string& text);
    void firstChanged();
    void partnersChanged();
    void individualEdit();
    bool checkDuplicates();

    EcuDataSet& m_data;
    Prompts& m_prompts;
    std::array<QComboBox*, 4> m_lists{};
    QGroupBox* m_modeGroup = nullptr;
    QButtonGroup* m_modes = nullptr;
    QRadioButton* m_all = nullptr;     // 1177
    QRadioButton* m_pairs = nullptr;   // 1178
    QPushButton* m_ok = nullptr;
    QPushButton* m_individual = nullptr;
    std::vector<std::string> m_labels;
    std::string m_firstLabel;
};

} // namespace zlm
