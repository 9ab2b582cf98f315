#pragma once
// Prompts that nobody sees: ScriptedPrompts records every prompt and answers
// from a queue (for tests); FilePrompts writes each prompt as a line to a file
// and takes the answers from another file (for driving the whole program from
// a script, see ZLM350_PROMPTS and ZLM350_ANSWERS).
#include "platform/prompts.h"

#include <cstddef>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zlm {

enum class PromptKind { Message, OpenFile, SaveFile, Folder };

struct PromptRecord {
    Icon icon = Icon::None;
    std::string caption; // as shown: an empty message caption becomes the application title
    std::string text; // message text; initial directory/name of a file or folder dialog
    Buttons buttons = Buttons::Ok;
    PromptKind kind = PromptKind::Message;
    FileDialogRequest file; // the whole request of a file dialog
};

// The button a scripted answer stands for: "OK", "Cancel", "Yes" or "No"
// (case ignored) when the box has that button, else the box's first button.
Answer answerFor(std::string_view word, Buttons buttons);
// The chosen path of a file or folder dialog: the answer text, or nothing for
// "Cancel", an empty answer or no answer.
std::optional<std::string> pathFor(const std::optional<std::string>& answer);

class ScriptedPrompts final : public Prompts {
public:
    // Answers are taken in order, one per prompt; with none left, a message box
    // takes its first button (OK or Yes) and a file or folder dialog is cancelled.
    void queue(Answer answer);
    void queuePath(std::string path);
    void queueCancel();

    const std::vector<PromptRecord>& records() const { return m_records; }
    std::size_t pendingAnswers() const { return m_answers.size(); }
    void clear()
    {
        m_records.clear();
        m_answers.clear();
    }

    Answer message(const std::string& text, const std::string& caption, Icon icon,
        Buttons buttons = Buttons::Ok) override;
    std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseFolder(
        const std::string& title, const std::string& initialFolder) override;

private:
    std::optional<std::string> next();

    std::vector<PromptRecord> m_records;
    std::deque<std::string> m_answers;
};

// Each prompt appends one line to the prompts file, written out at once:
//     ICON<TAB>CAPTION<TAB>TEXT
// ICON is STOP, EXCLAMATION, QUESTION, INFORMATION or NONE for a message box,
// OPEN or SAVE for a file dialog (CAPTION its title, TEXT the initial
// directory/name) and FOLDER for a folder dialog (TEXT the initial folder).
// Line breaks in TEXT are written as the two characters \n. The answer to the
// n-th prompt is the n-th line of the answers file (read when the prompt comes,
// so a driving script may append answers as it goes).
class FilePrompts final : public Prompts {
public:
    FilePrompts(std::filesystem::path promptsFile, std::filesystem::path answersFile = {});
    // The same lines written to an open stream (the error output); no answers,
    // so every question takes its first button and every file dialog is cancelled.
    explicit FilePrompts(std::FILE* stream);

    Answer message(const std::string& text, const std::string& caption, Icon icon,
        Buttons buttons = Buttons::Ok) override;
    std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseFolder(
        const std::string& title, const std::string& initialFolder) override;

    // The line written for a prompt (without its line feed).
    static std::string promptLine(
        std::string_view icon, std::string_view caption, std::string_view text);

private:
    void record(std::string_view icon, std::string_view caption, std::string_view text);
    std::optional<std::string> next();

    std::FILE* m_stream = nullptr;
    std::filesystem::path m_promptsFile;
    std::filesystem::path m_answersFile;
    std::size_t m_answered = 0;
};

// FilePrompts on $ZLM350_PROMPTS and $ZLM350_ANSWERS when ZLM350_PROMPTS is
// set, else nullptr (the program then shows real dialogs).
std::unique_ptr<Prompts> promptsFromEnvironment();
// FilePrompts on the error output, for a program nobody sees.
std::unique_ptr<Prompts> errorOutputPrompts();

// Text shared by the prompt implementations.
std::string_view iconName(Icon icon); // "STOP", ...
std::string messageCaption(const std::string& caption); // empty: the application title
std::string fileDialogTitle(const FileDialogRequest& request); // empty: "Open" / "Save As"
std::string initialPath(const FileDialogRequest& request); // directory/name

} // namespace zlm
