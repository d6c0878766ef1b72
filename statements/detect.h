#pragma once
// Which reader a statement file needs, told from its first bytes, and reading it by name.
// Each format is one file of statements/formats/ declaring its FormatEntry (kFormat_ and the
// file's name): its name, how its first bytes are recognised, the function that reads it and
// its place in detection. The build lists those files, and Formats() gives their entries in
// the order detection tries them; the fuzzing (fuzz/) and its replay test iterate that list,
// and statements/testdata/NAME/ holds each format's sample files, which seed its fuzzing.
// Adding a broker is its file under formats/ and its samples: nothing else names it.
#include <cstddef>
#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "host/env.h"
#include "statements/statement.h"
#include "text/date.h"

class CSistemaCartera;

namespace cartera::statements {

// Cartera's own movements CSV (export PATH journal): the format detection falls back to.
inline constexpr std::string_view kCarteraFormat = "cartera";

// How much of a file DetectFormat wants to see.
inline constexpr size_t kDetectBytes = 64 * 1024;

struct ReadOptions {
    // A mapping (a file's path or a shipped mapping's name) for readers that need one, and
    // the file system its file is read from (not owned; null: shipped mappings only).
    std::string map;
    Env* env = nullptr;
    // Called now and then with the bytes read so far, for a progress line.
    std::function<void(size_t)> progress;
    // Cartera's own CSV: the ledger (not owned) whose commission schedules price its buys
    // and sells as the entry pages would (null: a ledger without schedules), and how its
    // dates are written (see ValidDateFormat).
    const CSistemaCartera* ledger = nullptr;
    std::string dateFormat{kIsoDateFormat};
};

struct FormatEntry {
    // What --format takes, the fuzzing's name of the format and its samples' folder.
    std::string_view name;
    std::string_view description;
    // Detection tries formats by rising order: one another format could mistake for its own
    // comes before that one; Cartera's own CSV, which takes anything, is last.
    int order = 0;
    // Whether the file's first bytes (up to kDetectBytes) look like this format; null for a
    // format chosen only by name.
    bool (*recognises)(std::string_view head);
    // Reads the whole statement; throws cartera::Error (invalid_input) naming the line and
    // field of the first bad row.
    Statement (*read)(std::istream& in, const ReadOptions& options);
};

// Every format, in the order detection tries them (their order, then their name); Cartera's
// own CSV is last and takes whatever no other format claims (its reader reports what it
// cannot read).
const std::vector<FormatEntry>& Formats();
// The entry of that name; null when none has it.
const FormatEntry* FindFormat(std::string_view name);
// The name of the first format whose test accepts head.
std::string DetectFormat(std::string_view head);
// Reads in as the named format. Throws cartera::Error (invalid_input) for an unknown name
// (listing the known ones) and for a bad row (its line and field).
Statement ReadStatement(std::istream& in, const std::string& format,
                        const ReadOptions& options = {});

}  // namespace cartera::statements
