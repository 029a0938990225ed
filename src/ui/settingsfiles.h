// The window's side of the files beside the program: each record file is read
// into its list (and shown), and written back from it. A file that exists but
// cannot be read is remembered, and no save writes it back empty: what it
// holds stays on disk for a later run.
#pragma once

#include <string>
#include <utility>

#include "core/recordfiles.h"
#include "ui/quillnestform.h"

// The path of a file in the program's folder.
std::string ProgramFile(const std::string& Name);

// Remembers a file that could not be read; logs it when Log is set (the
// files read before the log's first line are logged by LoadSettings).
void NoteUnreadFile(Tquillnestform& Form, const std::string& Path, bool Log);

// True when a file that could not be read would be written back empty.
bool WouldOverwriteUnread(const Tquillnestform& Form, const std::string& Path, bool Empty);

// Appends the records of the file Name to List; Show puts a record into the
// window and answers whether it is kept. The result says how the read went.
template <class T, class Show>
core::LoadResult ReadRecordList(Tquillnestform& Form, const std::string& Name, core::RecordList<T>& List,
                                Show show) {
    const std::string path = ProgramFile(Name);
    core::RecordList<T> read;
    const core::LoadResult result = core::LoadRecordFile(path, read);
    if (result == core::LoadResult::Failed) NoteUnreadFile(Form, path, true);
    for (auto& record : read)
        if (show(*record)) List.push_back(std::move(record));
    return result;
}

// Replaces the file Name with List's records, unless that would write an
// unreadable file back empty. False when the file could not be written.
template <class T>
bool WriteRecordList(const Tquillnestform& Form, const std::string& Name, const core::RecordList<T>& List) {
    const std::string path = ProgramFile(Name);
    if (WouldOverwriteUnread(Form, path, List.empty())) return true;
    return core::SaveRecordFile(path, List);
}
