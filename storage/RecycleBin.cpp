// RecycleBin: the shell's move to the recycle bin, refused wherever it would
// delete for good instead.
#include "storage/RecycleBin.h"

#include "kernel/WinComObject.h"
#include "kernel/WinComPtr.h"
#include "storage/Path.h"

#include <windows.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// No confirmation, progress or error window, and with undo: into the bin.
constexpr FILEOP_FLAGS kRecycleFlags =
	FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
// With this the older call asks before a permanent delete instead of going
// ahead silently; the question is then refused (ShellWindowRefusal).
constexpr FILEOP_FLAGS kAskBeforePermanentDelete = FOF_WANTNUKEWARNING;

// COM on the calling thread while an operation runs. A thread already in an
// apartment keeps it; an initialisation that succeeded is undone on the way out.
class ComApartment {
public:
	ComApartment() : fInitialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
	~ComApartment()
	{
		if (fInitialised)
			CoUninitialize();
	}

	ComApartment(const ComApartment&) = delete;
	ComApartment& operator=(const ComApartment&) = delete;

private:
	bool fInitialised;
};

class RecycleOnlySink final
	: public BPrivate::WinComObject<IFileOperationProgressSink, IID_IFileOperationProgressSink> {
public:
	bool Refused() const { return fRefused; }

	// A delete that would not recycle is about to destroy the item for good.
	HRESULT STDMETHODCALLTYPE PreDeleteItem(DWORD flags, IShellItem* /*item*/) override
	{
		if (!fRefused && (flags & TSF_DELETE_RECYCLE_IF_POSSIBLE) != 0)
			return S_OK;
		fRefused = true;
		return E_ABORT;
	}

	HRESULT STDMETHODCALLTYPE StartOperations() override { return S_OK; }
	HRESULT STDMETHODCALLTYPE FinishOperations(HRESULT) override { return S_OK; }
	HRESULT STDMETHODCALLTYPE PreRenameItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
	HRESULT STDMETHODCALLTYPE PostRenameItem(DWORD, IShellItem*, LPCWSTR, HRESULT, IShellItem*) override
	{
		return S_OK;
	}
	HRESULT STDMETHODCALLTYPE PreMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override { return S_OK; }
	HRESULT STDMETHODCALLTYPE PostMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT, IShellItem*) override
	{
		return S_OK;
	}
	HRESULT STDMETHODCALLTYPE PreCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override { return S_OK; }
	HRESULT STDMETHODCALLTYPE PostCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT, IShellItem*) override
	{
		return S_OK;
	}
	HRESULT STDMETHODCALLTYPE PostDeleteItem(DWORD, IShellItem*, HRESULT, IShellItem*) override { return S_OK; }
	HRESULT STDMETHODCALLTYPE PreNewItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
	HRESULT STDMETHODCALLTYPE PostNewItem(DWORD, IShellItem*, LPCWSTR, LPCWSTR, DWORD, HRESULT, IShellItem*) override
	{
		return S_OK;
	}
	HRESULT STDMETHODCALLTYPE UpdateProgress(UINT, UINT) override { return S_OK; }
	HRESULT STDMETHODCALLTYPE ResetTimer() override { return S_OK; }
	HRESULT STDMETHODCALLTYPE PauseTimer() override { return S_OK; }
	HRESULT STDMETHODCALLTYPE ResumeTimer() override { return S_OK; }

private:
	bool fRefused = false;
};

// What the file operation object made of the request.
enum class FileOperationResult { kRecycled, kFailed, kNotImplemented };

FileOperationResult FromSetUp(HRESULT result)
{
	return result == E_NOTIMPL ? FileOperationResult::kNotImplemented : FileOperationResult::kFailed;
}

// Keeps the sink advised for the operation's life and takes it back after.
class SinkAdvice {
public:
	SinkAdvice(IFileOperation* operation, IFileOperationProgressSink* sink)
		: fOperation(operation), fResult(operation->Advise(sink, &fCookie))
	{
	}
	~SinkAdvice()
	{
		if (SUCCEEDED(fResult))
			(void)fOperation->Unadvise(fCookie);  // the operation is released right after
	}
	HRESULT Result() const { return fResult; }

	SinkAdvice(const SinkAdvice&) = delete;
	SinkAdvice& operator=(const SinkAdvice&) = delete;

private:
	IFileOperation* fOperation;
	DWORD fCookie = 0;
	HRESULT fResult;
};

// Everything up to PerformOperations only describes the operation, so a step
// that is not implemented leaves the folder untouched and the older call may
// be tried. Once the operation has run, any doubt is a failure.
FileOperationResult RecycleWithFileOperation(const BString& path)
{
	WinComPtr<IFileOperation> operation;
	if (FAILED(CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_IFileOperation,
			reinterpret_cast<void**>(operation.Receive()))))
		return FileOperationResult::kNotImplemented;
	HRESULT result = operation->SetOperationFlags(FOF_NO_UI | FOF_ALLOWUNDO);
	if (FAILED(result))
		return FromSetUp(result);

	WinComPtr<RecycleOnlySink> sink(new (std::nothrow) RecycleOnlySink);
	if (!sink)
		return FileOperationResult::kFailed;
	SinkAdvice advice(operation.Get(), sink.Get());
	if (FAILED(advice.Result()))
		return FromSetUp(advice.Result());

	WinComPtr<IShellItem> item;
	if (FAILED(SHCreateItemFromParsingName(path.Chars(), nullptr, IID_IShellItem,
			reinterpret_cast<void**>(item.Receive()))))
		return FileOperationResult::kFailed;
	result = operation->DeleteItem(item.Get(), nullptr);
	if (FAILED(result))
		return FromSetUp(result);

	BOOL aborted = FALSE;
	if (FAILED(operation->PerformOperations()) || FAILED(operation->GetAnyOperationsAborted(&aborted)) ||
		aborted || sink->Refused())
		return FileOperationResult::kFailed;
	return FileOperationResult::kRecycled;
}

// Refuses, on this thread and while it lives, every window that is not a
// child window: the shell's questions and error boxes are such windows.
class ShellWindowRefusal {
public:
	ShellWindowRefusal() : fHook(SetWindowsHookExW(WH_CBT, RefuseTopLevelWindow, nullptr, GetCurrentThreadId())) {}
	~ShellWindowRefusal()
	{
		if (fHook != nullptr)
			UnhookWindowsHookEx(fHook);
	}
	bool Active() const { return fHook != nullptr; }

	ShellWindowRefusal(const ShellWindowRefusal&) = delete;
	ShellWindowRefusal& operator=(const ShellWindowRefusal&) = delete;

private:
	static LRESULT CALLBACK RefuseTopLevelWindow(int code, WPARAM window, LPARAM details)
	{
		if (code == HCBT_CREATEWND) {
			const CBT_CREATEWNDW* creation = reinterpret_cast<const CBT_CREATEWNDW*>(details);
			if ((creation->lpcs->style & WS_CHILD) == 0)
				return 1;  // the window is not created
		}
		return CallNextHookEx(nullptr, code, window, details);
	}

	HHOOK fHook;
};

// The shell takes a list of names, each NUL-terminated, ended by an empty name.
status_t RecycleWithShellOperation(const BString& path)
{
	size_t units = static_cast<size_t>(path.Length());
	wchar_t* list = static_cast<wchar_t*>(std::malloc((units + 2) * sizeof(wchar_t)));
	if (list == nullptr)
		return kError;
	std::memcpy(list, path.Chars(), (units + 1) * sizeof(wchar_t));
	list[units + 1] = L'\0';

	SHFILEOPSTRUCTW operation;
	std::memset(&operation, 0, sizeof(operation));
	operation.wFunc = FO_DELETE;
	operation.pFrom = list;
	operation.fFlags = kRecycleFlags | kAskBeforePermanentDelete;
	int result = kError;
	{
		ShellWindowRefusal refusal;
		// Without the refusal the warning would wait for an answer.
		if (refusal.Active())
			result = SHFileOperationW(&operation);
	}
	std::free(list);
	return result == 0 && !operation.fAnyOperationsAborted ? kOk : kError;
}

}  // namespace

namespace BPrivate {

status_t MoveFolderToRecycleBin(const BString& path)
{
	if (path.Length() == 0)
		return kError;
	ComApartment apartment;
	status_t status = kError;
	switch (RecycleWithFileOperation(path)) {
		case FileOperationResult::kRecycled:
			status = kOk;
			break;
		case FileOperationResult::kFailed:
			return kError;
		case FileOperationResult::kNotImplemented:
			status = RecycleWithShellOperation(path);
			break;
	}
	// The shell has answered success for a folder it left where it was (Wine,
	// with a trash whose info folder is a file).
	return status == kOk && !PathExistsOnDisk(path) ? kOk : kError;
}

IFileOperationProgressSink* NewRecycleOnlySink()
{
	return new (std::nothrow) RecycleOnlySink;
}

}  // namespace BPrivate
