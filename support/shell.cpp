#include "support/shell.h"

#include <atomic>

namespace quorbit {

namespace {

std::atomic<const ShellOps*> attachedShell{nullptr};
std::atomic<bool> quittingFlag{false};

// The shell to call, or null when nothing should be updated any more.
const ShellOps* LiveShell() {
    if (quittingFlag.load(std::memory_order_acquire)) return nullptr;
    return attachedShell.load(std::memory_order_acquire);
}

}  // namespace

void AttachShell(const ShellOps* ops) { attachedShell.store(ops, std::memory_order_release); }

void SetQuitting(bool quitting) { quittingFlag.store(quitting, std::memory_order_release); }

bool IsQuitting() { return quittingFlag.load(std::memory_order_acquire); }

void ShellRedrawConsole(bool replacedLastLine, int32_t completedLines) {
    const ShellOps* shell = LiveShell();
    if (shell != nullptr && shell->redrawConsole != nullptr)
        shell->redrawConsole(replacedLastLine, completedLines, shell->context);
}

void ShellSetMenuState(int32_t state) {
    const ShellOps* shell = LiveShell();
    if (shell != nullptr && shell->setMenuState != nullptr) shell->setMenuState(state, shell->context);
}

void ShellSetTitleStatus(const char* status) {
    const ShellOps* shell = LiveShell();
    if (shell != nullptr && shell->setTitleStatus != nullptr) shell->setTitleStatus(status, shell->context);
}

void ShellUpdateTrayIcon(const char* tip) {
    const ShellOps* shell = LiveShell();
    if (shell != nullptr && shell->updateTrayIcon != nullptr) shell->updateTrayIcon(tip, shell->context);
}

void ShellShowMessage(const char* text, const char* caption) {
    const ShellOps* shell = attachedShell.load(std::memory_order_acquire);
    if (shell != nullptr && shell->showMessage != nullptr) shell->showMessage(text, caption, shell->context);
}

}  // namespace quorbit
