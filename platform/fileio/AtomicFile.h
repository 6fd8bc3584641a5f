// Replacing a file so that a reader, or a crash, sees either the old content
// or the new, never a mix.
#pragma once

#include <string>

namespace Quill::FileIo {

// Replaces target by a file holding content: a temporary file in the same
// directory is written, synced and renamed over target, then the directory is
// synced. The target keeps its mode (and owner, where permitted); a new one
// gets mode 0644. On failure target is untouched and error says why. A
// success may still come with an error text: the rename is done but the
// directory could not be synced.
bool replaceAtomically(const std::string& target, const std::string& content, std::string& error);

// For tests: while set, every replacement stops after the temporary file is
// written and synced, where a crash or a lost rename would stop it, and fails.
void failBeforeRenameForTesting(bool fail);

// The system's text for an errno value.
std::string errnoText(int error);

}  // namespace Quill::FileIo
