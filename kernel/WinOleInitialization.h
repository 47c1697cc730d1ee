// WinOleInitialization: the one owner of OLE on a thread.
//
// OLE is started per thread, and each successful start is undone once, by the
// same thread. An owner that Begin made holds one start and undoes it when it
// goes or is reset, so that no path leaves OLE up on a thread or takes it down
// twice; an owner that holds nothing (made empty, moved from, or from a start
// that failed) undoes nothing. Owners move and never copy, and are used and
// released on the thread that made them.
#pragma once

class WinOleInitialization {
public:
	WinOleInitialization() = default;
	// Starts OLE on the calling thread; the owner holds nothing when it could
	// not start.
	static WinOleInitialization Begin();
	~WinOleInitialization() { Reset(); }

	WinOleInitialization(WinOleInitialization&& other) noexcept : fStarted(other.fStarted)
	{
		other.fStarted = false;
	}
	WinOleInitialization& operator=(WinOleInitialization&& other) noexcept;
	WinOleInitialization(const WinOleInitialization&) = delete;
	WinOleInitialization& operator=(const WinOleInitialization&) = delete;

	bool IsStarted() const { return fStarted; }
	explicit operator bool() const { return fStarted; }

	// Undoes the start held, if any; holds nothing afterwards.
	void Reset();

private:
	bool fStarted = false;
};
