// Replacing a file so that a reader, or a crash, sees either the old content
// or the new, never a mix.
#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace Quill::FileIo {

// Replaces target by a file holding content: a temporary file in the same
// directory is written, synced and renamed over target, then the directory is
// synced. The target keeps its mode (and owner, where permitted); a new one
// gets mode 0644. On failure target is untouched and error says why. A
// success may still come with an error text: the rename is done but the
// directory could not be synced.
bool replaceAtomically(const std::string& target, const std::string& content, std::string& error);

// The same, with the content written by write into a stream that goes
// straight to the temporary file, so that a large content is never held
// whole in memory. When write answers false or throws (the exception passes
// on), target is untouched and no temporary file is left.
bool replaceAtomically(const std::string& target, const std::function<bool(std::ostream&)>& write,
                       std::string& error);

// For tests: while set, every replacement stops after the temporary file is
// written and synced, where a crash or a lost rename would stop it, and fails.
void failBeforeRenameForTesting(bool fail);

// The system's text for an errno value.
std::string errnoText(int error);

}  // namespace Quill::FileIo
