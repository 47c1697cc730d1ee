// sptr<T>: holds one strong reference to a BAtom (or a class derived from it).
//
// Copying acquires, destruction releases; reassignment acquires the new object
// before it releases the old one, so assigning an object to a holder that
// already holds it never lets the object die. A holder is used by one thread at
// a time; the object it points to may be held from any number of threads.
#pragma once

#include "support/Atom.h"

template<class T>
class sptr {
public:
	sptr() = default;
	sptr(decltype(nullptr)) {}
	sptr(T* object)
		: fObject(object)
	{
		if (fObject != nullptr)
			fObject->AcquireStrong();
	}
	sptr(const sptr& other)
		: sptr(other.fObject)
	{
	}
	template<class U>
	sptr(const sptr<U>& other)
		: sptr(other.Get())
	{
	}
	sptr(sptr&& other) noexcept
		: fObject(other.fObject)
	{
		other.fObject = nullptr;
	}
	~sptr() { Clear(); }

	sptr& operator=(const sptr& other)
	{
		Set(other.fObject);
		return *this;
	}
	sptr& operator=(sptr&& other) noexcept
	{
		T* taken = other.fObject;
		other.fObject = nullptr;
		T* old = fObject;
		fObject = taken;
		if (old != nullptr)
			old->ReleaseStrong();
		return *this;
	}
	sptr& operator=(T* object)
	{
		Set(object);
		return *this;
	}

	void Clear() { Set(nullptr); }

	T* Get() const { return fObject; }
	T* operator->() const { return fObject; }
	T& operator*() const { return *fObject; }
	explicit operator bool() const { return fObject != nullptr; }
	bool operator==(const sptr& other) const { return fObject == other.fObject; }
	bool operator!=(const sptr& other) const { return fObject != other.fObject; }
	bool operator==(const T* object) const { return fObject == object; }
	bool operator!=(const T* object) const { return fObject != object; }

private:
	void Set(T* object)
	{
		if (object != nullptr)
			object->AcquireStrong();
		T* old = fObject;
		fObject = object;
		if (old != nullptr)
			old->ReleaseStrong();
	}

	T* fObject = nullptr;
};
