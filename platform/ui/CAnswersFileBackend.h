#pragma once
// Answers message boxes and dialogs from an answers file, through the
// scripted backend, and writes every box and dialog it was shown with the
// answer given. Boxes take the file's box lines in order, dialogs its dialog
// lines in order. Once the file has no answer left, a box gets its default
// button and a dialog is ended with OK as initialised; a note on the error
// stream says so.
//
// File format, one answer a line, '#' starts a comment:
//   box yes|no|ok|cancel
//   dialog [ID] ACTION...      ACTION: click ID, select ID INDEX, ok, escape, close
// A dialog line without an action that ends the dialog is ended with OK.

#include "platform/ui/CScriptedUiBackend.h"

#include <cstddef>
#include <istream>
#include <mutex>
#include <ostream>
#include <string>

namespace tarnwel {

class CAnswersFileBackend : public IUiBackend {
public:
    CAnswersFileBackend(std::ostream& out, std::ostream& notes) : m_out(out), m_notes(notes) {}

    // Reads the answers. False with a message naming the line in `error` when
    // a line is no answer; then nothing is queued.
    bool Load(std::istream& in, const std::string& name, std::string& error);

    int RunModal(CDialog& dialog) override;
    MessageBoxResult ShowMessageBox(const CMessageBoxRequest& request) override;

private:
    // Writes the notes of the scripted backend that came since the last call.
    void ReportUnexpected();

    // Recursive: a dialog's handlers run under it and may show a box.
    std::recursive_mutex m_mutex;
    std::ostream& m_out;
    std::ostream& m_notes;
    CScriptedUiBackend m_script;
    std::size_t m_unexpectedReported = 0;
};

} // namespace tarnwel
