// TerminalControl and the shell's marks (OSC 133): commandFinished when a
// command that produced output marks ended, the view moved from prompt to
// prompt (Ctrl+Shift+Up / Ctrl+Shift+Down on the main screen), and the
// selection of a command's output (selectCommandOutput, or a fourth click).
#include "control/terminal_control.h"

#include <QKeyEvent>

#include "control/text/command_output.h"

namespace vesper {

// commandFinished follows a command end only after an output mark: shells
// that send D before every prompt, the first included, report no command
// there.  A prompt without an end forgets the command.
void TerminalControl::installShellIntegrationCallback()
{
    m_parser.shellMarkCallback = [this](ShellMarkKind kind, std::optional<int> exitCode) {
        switch (kind) {
        case ShellMarkKind::OutputStart: m_commandRunning = true; break;
        case ShellMarkKind::PromptStart: m_commandRunning = false; break;
        case ShellMarkKind::CommandEnd:
            if (std::exchange(m_commandRunning, false))
                m_parserSignals.post([this, code = exitCode.value_or(-1)] { emit commandFinished(code); });
            break;
        case ShellMarkKind::CommandStart: break;
        }
    };
}

bool TerminalControl::scrollToPreviousPrompt()
{
    parseWaitingOutput();
    return showPromptAtTop(m_screen.promptLineBefore(m_screen.viewTopLine()));
}

bool TerminalControl::scrollToNextPrompt()
{
    parseWaitingOutput();
    if (!m_screen.viewScrolled())
        return false; // the live screen: nothing lies below
    return showPromptAtTop(m_screen.promptLineAfter(m_screen.viewTopLine()));
}

// Moves the view so that `line` is its top row, or as near as the
// scrollback allows (a prompt on the live screen shows the live screen).
bool TerminalControl::showPromptAtTop(int line)
{
    if (line < 0)
        return false;
    m_screen.setViewOffset(m_screen.screenTopLine() - line);
    syncScrollModel();
    repaintChanges();
    return true;
}

bool TerminalControl::selectCommandOutput(int line)
{
    parseWaitingOutput();
    const std::optional<Selection> output = commandOutputAround(m_screen, line);
    if (!output)
        return false;
    setSelection(output->anchor.line, output->anchor.column, output->head.line, output->head.column);
    return true; // setSelection emitted last: `this` may be gone
}

// Ctrl+Shift+Up/Down move between prompts on the main screen, whether or not
// one is found (the keys never reach the shell half handled); a full-screen
// program on the alternate screen gets them.
bool TerminalControl::scrollToPromptByKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != (Qt::ControlModifier | Qt::ShiftModifier) || m_screen.alternateActive())
        return false;
    if (event->key() == Qt::Key_Up)
        scrollToPreviousPrompt();
    else if (event->key() == Qt::Key_Down)
        scrollToNextPrompt();
    else
        return false;
    return true;
}

} // namespace vesper
