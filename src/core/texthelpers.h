// Small text and file helpers that the protocol steps and the dialogs share:
// words and lines of received text, trimming, buffer insertion, and the sizes
// of files and folders for quotas and transfer records. Texts are 8-bit;
// positions count from 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The N-th word (from 1). Each blank starts a new word and the blanks after it
// are skipped, so a text that starts with a blank has an empty first word.
// CR, LF and tab belong to words. Empty when there is no such word.
std::string NthWord(const std::string& Text, int N);
// NthWord without a copy: a view into Text.
std::string_view NthWordView(std::string_view Text, int N);

// Everything after the first word and the blanks after it (blanks inside kept).
std::string CommandArgument(const std::string& Text);

// The characters before the first CR; the whole text when there is none.
std::string FirstLine(const std::string& Text);

int CountLF(const std::string& Text);

// Leading and then trailing blanks removed; other white space stays.
std::string TrimSpaces(const std::string& Text);

// The characters from position Index to the end.
std::string CopyFrom(const std::string& Text, int Index);

int MinInt(int A, int B);

// Moves the first Count bytes of Buffer up by the length of Text and writes
// Text in front of them. The caller guarantees room for Count + length bytes.
void PrependToBuffer(const std::string& Text, char* Buffer, size_t Count);

// Writes Text into Buffer from byte Offset on. The caller guarantees room.
void CopyIntoBuffer(const std::string& Text, char* Buffer, size_t Offset);

// The reserved serial, printer and auxiliary port names (COM1-COM4,
// LPT1-LPT9, AUX), alone or ending a path.
bool IsDeviceName(const std::string& Path);

// The bytes of every file in Dir and its subfolders. Folders reached through
// a symbolic link are not entered, so a link loop cannot recurse for ever.
int64_t DirectorySize(const std::string& Dir);

// 0 when Dir does not exist, else DirectorySize(Dir).
int64_t UserDirUsage(const std::string& Dir);

// The size of the entry of exactly this name; 0 when there is none.
int64_t FileSizeOf(const std::string& Name);
