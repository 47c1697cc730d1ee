// Real folders for tests, made and removed with the plain file interfaces so that
// the code under test is never used to clean up after itself.
#include "tests/harness/Folders.h"

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>

namespace zeltest {

std::wstring DocumentsFolder()
{
	wchar_t buffer[MAX_PATH];
	if (SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 1, buffer) != S_OK)
		return std::wstring();
	return buffer;
}

std::wstring SystemDriveRoot()
{
	wchar_t windows[MAX_PATH];
	UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
	return length >= 3 ? std::wstring(windows, 3) : std::wstring(L"C:\\");
}

std::wstring TrashFilesFolder()
{
	return Join(DocumentsFolder(), L".local\\share\\Trash\\files");
}

std::wstring Join(const std::wstring& folder, const std::wstring& leaf)
{
	if (!folder.empty() && folder.back() == L'\\')
		return folder + leaf;
	return folder + L"\\" + leaf;
}

bool Exists(const std::wstring& path)
{
	return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path)
{
	DWORD attributes = GetFileAttributesW(path.c_str());
	return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void MakeFolder(const std::wstring& path)
{
	CreateDirectoryW(path.c_str(), nullptr);
}

void MakeFile(const std::wstring& path, const char* contents)
{
	HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
	                          FILE_ATTRIBUTE_NORMAL, nullptr);
	if (file == INVALID_HANDLE_VALUE)
		return;
	DWORD written = 0;
	WriteFile(file, contents, static_cast<DWORD>(std::strlen(contents)), &written, nullptr);
	CloseHandle(file);
}

void MakeTree(const std::wstring& root, const std::vector<std::wstring>& entries)
{
	MakeFolder(root);
	for (const std::wstring& entry : entries) {
		if (!entry.empty() && entry.back() == L'\\')
			MakeFolder(Join(root, entry.substr(0, entry.size() - 1)));
		else
			MakeFile(Join(root, entry));
	}
}

std::string FileContents(const std::wstring& path)
{
	HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
		nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
	if (file == INVALID_HANDLE_VALUE)
		return "<missing>";
	std::string text(4096, '\0');
	DWORD count = 0;
	ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &count, nullptr);
	CloseHandle(file);
	text.resize(count);
	return text;
}

namespace {

bool IsReadOnly(const std::wstring& path)
{
	DWORD attributes = GetFileAttributesW(path.c_str());
	return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// The Unix name of a Windows path, through Wine's own mapping; empty outside Wine.
std::string UnixName(const std::wstring& path)
{
	typedef char*(CDECL * UnixNameFunction)(const wchar_t*);
	auto unixName = reinterpret_cast<UnixNameFunction>(reinterpret_cast<void*>(
		GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
	if (unixName == nullptr)
		return std::string();
	char* name = unixName(path.c_str());
	if (name == nullptr)
		return std::string();
	std::string text(name);
	HeapFree(GetProcessHeap(), 0, name);
	return text;
}

// Runs a program of the Unix side (through the z: drive, which maps /) and
// waits until `done` holds. Wine does not track a Unix child's end, so the
// wait is for the effect itself.
template <typename Condition>
bool RunUnixCommand(const std::string& program, const std::string& arguments, Condition done)
{
	std::string command = program + " " + arguments;
	std::wstring wideCommand(command.begin(), command.end());
	std::wstring wideProgram = L"Z:" + std::wstring(program.begin(), program.end());
	for (wchar_t& unit : wideProgram)
		unit = unit == L'/' ? L'\\' : unit;
	STARTUPINFOW startup = {};
	startup.cb = sizeof(startup);
	PROCESS_INFORMATION process = {};
	if (!CreateProcessW(wideProgram.c_str(), &wideCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
	                    &startup, &process))
		return false;
	for (int tries = 0; tries < 500 && !done(); ++tries)
		Sleep(10);
	CloseHandle(process.hThread);
	CloseHandle(process.hProcess);
	return done();
}

std::string Quoted(const std::string& text)
{
	return "\"" + text + "\"";
}

// Wine keeps no read-only attribute for folders; it reports one for a folder
// whose Unix permissions deny writing, so there the permissions are changed.
void ChangeUnixWritePermission(const std::wstring& path, bool readOnly)
{
	std::string name = UnixName(path);
	if (name.empty())
		return;
	RunUnixCommand("/bin/chmod", (readOnly ? "a-w " : "u+w ") + Quoted(name),
		[&] { return IsReadOnly(path) == readOnly; });
}

// Removes a tree without following any link in it. Wine opens a link as its
// target, and a link to a file looks like a plain file there, so only the Unix
// side can tell and remove links safely.
bool RemoveTreeOnUnixSide(const std::wstring& path)
{
	std::string name = UnixName(path);
	return !name.empty() && RunUnixCommand("/bin/rm", "-rf -- " + Quoted(name), [&] { return !Exists(path); });
}

}  // namespace

bool SetReadOnly(const std::wstring& path, bool readOnly)
{
	DWORD attributes = GetFileAttributesW(path.c_str());
	if (attributes == INVALID_FILE_ATTRIBUTES)
		return false;
	attributes = readOnly ? (attributes | FILE_ATTRIBUTE_READONLY) : (attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
	SetFileAttributesW(path.c_str(), attributes);
	if (IsReadOnly(path) != readOnly)
		ChangeUnixWritePermission(path, readOnly);
	return IsReadOnly(path) == readOnly;
}

bool MakeLink(const std::wstring& link, const std::wstring& target)
{
	std::string linkName = UnixName(link);
	std::string targetName = UnixName(target);
	if (linkName.empty() || targetName.empty())
		return false;
	return RunUnixCommand("/bin/ln", "-s -- " + Quoted(targetName) + " " + Quoted(linkName),
		[&] { return Exists(link); });
}

void RemoveTree(const std::wstring& path)
{
	if (!Exists(path) || RemoveTreeOnUnixSide(path))
		return;
	SetReadOnly(path, false);
	if (!IsFolder(path)) {
		DeleteFileW(path.c_str());
		return;
	}
	WIN32_FIND_DATAW found;
	HANDLE find = FindFirstFileW(Join(path, L"*").c_str(), &found);
	if (find != INVALID_HANDLE_VALUE) {
		do {
			if (std::wcscmp(found.cFileName, L".") != 0 && std::wcscmp(found.cFileName, L"..") != 0)
				RemoveTree(Join(path, found.cFileName));
		} while (FindNextFileW(find, &found));
		FindClose(find);
	}
	RemoveDirectoryW(path.c_str());
}

int CountTrashedEntries(const std::wstring& name)
{
	int count = 0;
	WIN32_FIND_DATAW found;
	HANDLE find = FindFirstFileW(Join(TrashFilesFolder(), name + L"*").c_str(), &found);
	if (find == INVALID_HANDLE_VALUE)
		return 0;
	do {
		++count;
	} while (FindNextFileW(find, &found));
	FindClose(find);
	return count;
}

void EmptyTrash()
{
	std::wstring trash = Join(DocumentsFolder(), L".local\\share\\Trash");
	for (const wchar_t* part : {L"files", L"info"}) {
		std::wstring folder = Join(trash, part);
		RemoveTree(folder);
		MakeFolder(folder);
	}
}

BString ToBString(const std::wstring& text)
{
	return BString(text.c_str());
}

namespace {

std::wstring NewScratchPath()
{
	static std::atomic<int> next{0};
	wchar_t temp[MAX_PATH];
	GetTempPathW(MAX_PATH, temp);
	return Join(temp, L"zel-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(next++));
}

}  // namespace

ScratchFolder::ScratchFolder()
	: ScratchFolder(NewScratchPath())
{
}

ScratchFolder::ScratchFolder(const std::wstring& path)
	: fPath(path)
{
	RemoveTree(fPath);
	MakeFolder(fPath);
}

ScratchFolder::~ScratchFolder()
{
	RemoveTree(fPath);
}

}  // namespace zeltest
