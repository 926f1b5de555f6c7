// The one message a program can give when it cannot even build its window:
// a plain message box (the skin that would style a nicer one is what failed)
// and the same text on stderr, for a start from a terminal.
#pragma once

#include <QString>
#include <functional>

namespace mouse {

// Writes text to stderr and shows it in a modal message box titled title.
void ReportStartupError(const QString& title, const QString& text);

// Test seam: when set, the hook receives title and text instead of the box
// (stderr is still written). Pass an empty function to remove it.
void SetStartupErrorHookForTesting(std::function<void(const QString&, const QString&)> hook);

}  // namespace mouse
