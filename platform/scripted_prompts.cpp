#include "platform/scripted_prompts.h"

#include "base/line_list.h"
#include "platform/text_file.h"
#include "res/string_table.h"

#include <cstdio>
#include <cstdlib>

namespace zlm {

std::string_view iconName(Icon icon)
{
    switch (icon) {
    case Icon::Stop:
        return "STOP";
    case Icon::Exclamation:
        return "EXCLAMATION";
    case Icon::Question:
        return "QUESTION";
    case Icon::Information:
        return "INFORMATION";
    case Icon::None:
        break;
    }
    return "NONE";
}

std::string messageCaption(const std::string& caption)
{
    return caption.empty() ? std::string(loadString(strings::kAppTitle)) : caption;
}

std::string fileDialogTitle(const FileDialogRequest& request)
{
    if (!request.title.empty())
        return request.title;
    return request.save ? "Save As" : "Open";
}

std::string initialPath(const FileDialogRequest& request)
{
    if (request.initialDirectory.empty())
        return request.initialName;
    if (request.initialName.empty())
        return request.initialDirectory;
    return (std::filesystem::path(request.initialDirectory) / request.initialName).string();
}

Answer answerFor(std::string_view word, Buttons buttons)
{
    word = text::trim(word);
    const bool hasOk = buttons == Buttons::Ok || buttons == Buttons::OkCancel;
    const bool hasCancel = buttons == Buttons::OkCancel || buttons == Buttons::YesNoCancel;
    const bool hasYesNo = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel;
    if (hasOk && text::equalsNoCase(word, "OK"))
        return Answer::Ok;
    if (hasCancel && text::equalsNoCase(word, "Cancel"))
        return Answer::Cancel;
    if (hasYesNo && text::equalsNoCase(word, "Yes"))
        return Answer::Yes;
    if (hasYesNo && text::equalsNoCase(word, "No"))
        return Answer::No;
    return hasOk ? Answer::Ok : Answer::Yes;
}

std::optional<std::string> pathFor(const std::optional<std::string>& answer)
{
    if (!answer)
        return std::nullopt;
    const auto path = text::trim(*answer);
    if (path.empty() || text::equalsNoCase(path, "Cancel"))
        return std::nullopt;
    return std::string(path);
}

// --- ScriptedPrompts ----------------------------------------------------------

void ScriptedPrompts::queue(Answer answer)
{
    switch (answer) {
    case Answer::Ok:
        m_answers.emplace_back("OK");
        break;
    case Answer::Cancel:
        m_answers.emplace_back("Cancel");
        break;
    case Answer::Yes:
        m_answers.emplace_back("Yes");
        break;
    case Answer::No:
        m_answers.emplace_back("No");
        break;
    }
}

void ScriptedPrompts::queuePath(std::string path)
{
    m_answers.push_back(std::move(path));
}

void ScriptedPrompts::queueCancel()
{
    m_answers.emplace_back("Cancel");
}

std::optional<std::string> ScriptedPrompts::next()
{
    if (m_answers.empty())
        return std::nullopt;
    std::string answer = std::move(m_answers.front());
    m_answers.pop_front();
    return answer;
}

Answer ScriptedPrompts::message(
    const std::string& text, const std::string& caption, Icon icon, Buttons buttons)
{
    m_records.push_back({ icon, messageCaption(caption), text, buttons, PromptKind::Message, {} });
    const auto answer = next();
    return answerFor(answer ? *answer : std::string(), buttons);
}

std::optional<std::string> ScriptedPrompts::chooseFile(const FileDialogRequest& request)
{
    m_records.push_back({ Icon::None, fileDialogTitle(request), initialPath(request),
        Buttons::OkCancel, request.save ? PromptKind::SaveFile : PromptKind::OpenFile, request });
    return pathFor(next());
}

std::optional<std::string> ScriptedPrompts::chooseFolder(
    const std::string& title, const std::string& initialFolder)
{
    m_records.push_back(
        { Icon::None, title, initialFolder, Buttons::OkCancel, PromptKind::Folder, {} });
    return pathFor(next());
}

// --- FilePrompts --------------------------------------------------------------

FilePrompts::FilePrompts(std::filesystem::path promptsFile, std::filesystem::path answersFile)
    : m_promptsFile(std::move(promptsFile))
    , m_answersFile(std::move(answersFile))
{ }

FilePrompts::FilePrompts(std::FILE* stream)
    : m_stream(stream)
{ }

std::string FilePrompts::promptLine(
    std::string_view icon, std::string_view caption, std::string_view text)
{
    std::string line;
    line.reserve(icon.size() + caption.size() + text.size() + 2);
    line += icon;
    line += '\t';
    // The caption is one line too; a line break there would split the record.
    for (const char c : caption)
        line += (c == '\n' || c == '\r') ? ' ' : c;
    line += '\t';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            // "\r\n" is one line break; a lone "\r" counts as one too.
            if (i + 1 < text.size() && text[i + 1] == '\n')
                continue;
            line += "\\n";
        } else if (c == '\n') {
            line += "\\n";
        } else {
            line += c;
        }
    }
    return line;
}

void FilePrompts::record(std::string_view icon, std::string_view caption, std::string_view text)
{
    const std::string line = promptLine(icon, caption, text) + "\n";
    if (m_stream) {
        std::fwrite(line.data(), 1, line.size(), m_stream);
        std::fflush(m_stream);
        return;
    }
    // Opened, written and closed per prompt, so the line is on disk before the
    // program waits for anything.
    if (std::FILE* f = std::fopen(m_promptsFile.c_str(), "ab")) {
        std::fwrite(line.data(), 1, line.size(), f);
        std::fclose(f);
    }
}

std::optional<std::string> FilePrompts::next()
{
    const std::size_t index = m_answered++;
    if (m_answersFile.empty())
        return std::nullopt;
    const auto content = readWholeFile(m_answersFile);
    if (!content)
        return std::nullopt;
    const auto lines = LineList::fromText(*content);
    if (index >= lines.count())
        return std::nullopt;
    return lines.at(index);
}

Answer FilePrompts::message(
    const std::string& text, const std::string& caption, Icon icon, Buttons buttons)
{
    record(iconName(icon), messageCaption(caption), text);
    const auto answer = next();
    return answerFor(answer ? *answer : std::string(), buttons);
}

std::optional<std::string> FilePrompts::chooseFile(const FileDialogRequest& request)
{
    record(request.save ? "SAVE" : "OPEN", fileDialogTitle(request), initialPath(request));
    return pathFor(next());
}

std::optional<std::string> FilePrompts::chooseFolder(
    const std::string& title, const std::string& initialFolder)
{
    record("FOLDER", title, initialFolder);
    return pathFor(next());
}

std::unique_ptr<Prompts> promptsFromEnvironment()
{
    const char* prompts = std::getenv("ZLM350_PROMPTS");
    if (!prompts || !*prompts)
        return nullptr;
    const char* answers = std::getenv("ZLM350_ANSWERS");
    return std::make_unique<FilePrompts>(prompts, answers ? answers : "");
}

std::unique_ptr<Prompts> errorOutputPrompts()
{
    return std::make_unique<FilePrompts>(stderr);
}

} // namespace zlm
