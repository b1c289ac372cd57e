// The terminal is shared by the poll loop (progress bar) and the library's
// job thread (user messages through the message handler). Both write under
// one mutex, and a message first ends a progress line left open by the bar.
#pragma once

#include <cstdio>
#include <mutex>

namespace kvnisp::console {

std::mutex &Mutex();

// The bar marks the stream whose current line it owns (nullptr: none).
// Call with Mutex() held.
void SetOpenLine(std::FILE *stream);
std::FILE *OpenLine();

// Ends the bar's open line with a line break, so that a message starts in
// column 0; the bar draws itself again on its next update. Call with
// Mutex() held.
void CloseOpenLine();

bool IsTerminal(std::FILE *stream);

}  // namespace kvnisp::console
