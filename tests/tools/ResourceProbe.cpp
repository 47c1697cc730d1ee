// ResourceProbe: prints the resources of a Windows program as tests check them.
//
//   ResourceProbe EXE
//
// The program is loaded as a data file, so a 32-bit program can be read from a
// 64-bit probe. Output, one record a line, fields separated by '|':
//
//   accelerator|TABLE|FLAGS|KEY|COMMAND   every entry of every accelerator table
//                                        (FLAGS as stored, 0x80 marks the last)
//   icon|GROUP|WIDTH|HEIGHT|BITS          every image of every icon group
//   version|NAME|VALUE                    the English (US) version strings
//   manifest|ID|LINE                      the manifest, line by line
//
// Exit code 0, or 1 when the program cannot be loaded.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// An accelerator as stored in a program's resources.
struct StoredAccelerator {
	WORD flags;
	WORD key;
	WORD command;
	WORD padding;
};

#pragma pack(push, 2)
struct IconGroupHeader {
	WORD reserved;
	WORD type;
	WORD count;
};
struct IconGroupEntry {
	BYTE width;
	BYTE height;
	BYTE colours;
	BYTE reserved;
	WORD planes;
	WORD bits;
	DWORD bytes;
	WORD id;
};
#pragma pack(pop)

std::string Utf8(const wchar_t* text)
{
	int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
	if (size <= 1)
		return std::string();
	std::string utf8(static_cast<size_t>(size), '\0');
	WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], size, nullptr, nullptr);
	utf8.resize(static_cast<size_t>(size) - 1);
	return utf8;
}

// A resource's number; 0 for a resource named by a string.
unsigned IdOf(LPCWSTR name)
{
	return IS_INTRESOURCE(name) ? static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)) : 0;
}

// The resource's bytes; null when it is missing.
const BYTE* ResourceBytes(HMODULE module, LPCWSTR type, LPWSTR name, DWORD* size)
{
	HRSRC found = FindResourceW(module, name, type);
	HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
	*size = found != nullptr ? SizeofResource(module, found) : 0;
	return loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
}

BOOL CALLBACK PrintAccelerators(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR)
{
	DWORD size;
	const BYTE* bytes = ResourceBytes(module, type, name, &size);
	for (DWORD at = 0; bytes != nullptr && at + sizeof(StoredAccelerator) <= size; at += sizeof(StoredAccelerator)) {
		const StoredAccelerator* entry = reinterpret_cast<const StoredAccelerator*>(bytes + at);
		printf("accelerator|%u|0x%02X|%u|%u\n", IdOf(name),
			entry->flags, entry->key, entry->command);
	}
	return TRUE;
}

BOOL CALLBACK PrintIconGroup(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR)
{
	DWORD size;
	const BYTE* bytes = ResourceBytes(module, type, name, &size);
	if (bytes == nullptr || size < sizeof(IconGroupHeader))
		return TRUE;
	const IconGroupHeader* header = reinterpret_cast<const IconGroupHeader*>(bytes);
	const IconGroupEntry* entries = reinterpret_cast<const IconGroupEntry*>(header + 1);
	for (WORD i = 0; i < header->count && sizeof(IconGroupHeader) + (i + 1u) * sizeof(IconGroupEntry) <= size; i++) {
		// A stored size of 0 means 256.
		printf("icon|%u|%u|%u|%u\n", IdOf(name),
			entries[i].width == 0 ? 256u : entries[i].width, entries[i].height == 0 ? 256u : entries[i].height,
			entries[i].bits);
	}
	return TRUE;
}

BOOL CALLBACK PrintManifest(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR)
{
	DWORD size;
	const BYTE* bytes = ResourceBytes(module, type, name, &size);
	std::string text(reinterpret_cast<const char*>(bytes), bytes != nullptr ? size : 0);
	size_t start = 0;
	while (start < text.size()) {
		size_t end = text.find('\n', start);
		std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
		if (!line.empty() && line.back() == '\r')
			line.pop_back();
		printf("manifest|%u|%s\n", IdOf(name), line.c_str());
		if (end == std::string::npos)
			break;
		start = end + 1;
	}
	return TRUE;
}

void PrintVersionStrings(const wchar_t* path)
{
	DWORD ignored;
	DWORD size = GetFileVersionInfoSizeW(path, &ignored);
	std::string block(size, '\0');
	if (size == 0 || !GetFileVersionInfoW(path, 0, size, &block[0]))
		return;
	for (const wchar_t* name : {L"ProductName", L"CompanyName", L"FileDescription", L"ProductVersion"}) {
		std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
		void* value = nullptr;
		UINT length = 0;
		if (VerQueryValueW(&block[0], query.c_str(), &value, &length) && length > 0)
			printf("version|%s|%s\n", Utf8(name).c_str(), Utf8(static_cast<const wchar_t*>(value)).c_str());
	}
}

}  // namespace

// The wide entry point of -municode programs.
int wmain(int argc, wchar_t** argv);

int wmain(int argc, wchar_t** argv)
{
	if (argc != 2) {
		fprintf(stderr, "usage: ResourceProbe EXE\n");
		return 2;
	}
	HMODULE module = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
	if (module == nullptr) {
		fprintf(stderr, "ResourceProbe: cannot load %s (error %lu)\n", Utf8(argv[1]).c_str(), GetLastError());
		return 1;
	}
	EnumResourceNamesW(module, RT_ACCELERATOR, PrintAccelerators, 0);
	EnumResourceNamesW(module, RT_GROUP_ICON, PrintIconGroup, 0);
	EnumResourceNamesW(module, RT_MANIFEST, PrintManifest, 0);
	FreeLibrary(module);
	PrintVersionStrings(argv[1]);
	fflush(stdout);
	return 0;
}
