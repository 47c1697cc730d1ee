// The drag-and-drop COM objects on their own: reference counts down to
// self-deletion, the interfaces they answer, the one format the data object
// serves through its empty stream, and the drop source's decisions.
#include "interface/DropData.h"
#include "interface/DropSource.h"
#include "interface/View.h"
#include "interface/ViewDropTarget.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

namespace {

using BPrivate::CountLiveComObjects;

// The reference count, read without changing it.
ULONG ReferencesOf(IUnknown* object)
{
	object->AddRef();
	return object->Release();
}

struct ObjectCase {
	const char* name;
	std::function<IUnknown*()> make;
	const IID& own;
	const IID& foreign;
};

TEST(DropObjects, CountReferencesAnswerTheirOwnInterfaceAndDeleteThemselves)
{
	const std::vector<ObjectCase> cases = {
		{"data object", [] { return static_cast<IUnknown*>(WinDropData::Create()); }, IID_IDataObject,
			IID_IStream},
		{"message stream", [] { return static_cast<IUnknown*>(new WinDropData::MessageStream()); }, IID_IStream,
			IID_IDataObject},
		{"drop source", [] { return static_cast<IUnknown*>(new WinDropSource(kPrimaryMouseButton)); },
			IID_IDropSource, IID_IDropTarget},
		{"drop target", [] { return static_cast<IUnknown*>(new WinViewDropTarget(nullptr)); }, IID_IDropTarget,
			IID_IDropSource},
	};
	for (const ObjectCase& c : cases) {
		SCOPED_TRACE(c.name);
		int32 before = CountLiveComObjects();
		IUnknown* object = c.make();
		ASSERT_NE(object, nullptr);
		EXPECT_GT(CountLiveComObjects(), before);
		EXPECT_EQ(ReferencesOf(object), 1u);

		for (const IID* id : {&IID_IUnknown, &c.own}) {
			void* answer = nullptr;
			EXPECT_EQ(object->QueryInterface(*id, &answer), S_OK);
			EXPECT_NE(answer, nullptr);
			EXPECT_EQ(ReferencesOf(object), 2u);
			static_cast<IUnknown*>(answer)->Release();
		}
		for (const IID* id : {&c.foreign, &IID_IDispatch}) {
			void* answer = &before;
			EXPECT_EQ(object->QueryInterface(*id, &answer), E_NOINTERFACE);
			EXPECT_EQ(answer, nullptr);
		}
		EXPECT_EQ(ReferencesOf(object), 1u);
		EXPECT_EQ(object->Release(), 0u);
		EXPECT_EQ(CountLiveComObjects(), before);
	}
}

TEST(DropObjects, BundleFormatIsRegisteredOnceForAllThreads)
{
	std::vector<CLIPFORMAT> seen(8, 0);
	std::vector<std::thread> threads;
	for (size_t i = 0; i < seen.size(); i++)
		threads.emplace_back([&seen, i] { seen[i] = BundleClipboardFormat(); });
	for (std::thread& thread : threads)
		thread.join();
	CLIPFORMAT expected = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Quorvane Bundle"));
	ASSERT_NE(expected, 0);
	for (CLIPFORMAT format : seen)
		EXPECT_EQ(format, expected);
}

class DataObject : public ::testing::Test {
protected:
	void SetUp() override
	{
		fData = WinDropData::Create();
		ASSERT_NE(fData, nullptr);
	}
	void TearDown() override
	{
		if (fData != nullptr)
			fData->Release();
	}

	WinDropData* fData = nullptr;
};

TEST_F(DataObject, HandsOutItsEmptyStreamOnlyForTheBundle)
{
	FORMATETC bundle = BundleFormatEtc();
	STGMEDIUM medium = {};
	ASSERT_EQ(fData->GetData(&bundle, &medium), S_OK);
	EXPECT_EQ(medium.tymed, static_cast<DWORD>(TYMED_ISTREAM));
	EXPECT_EQ(medium.pUnkForRelease, nullptr);
	ASSERT_NE(medium.pstm, nullptr);
	// One reference held by the data object, one handed out.
	EXPECT_EQ(ReferencesOf(medium.pstm), 2u);
	char buffer[16];
	ULONG read = 99;
	EXPECT_EQ(medium.pstm->Read(buffer, sizeof(buffer), &read), S_FALSE);
	EXPECT_EQ(read, 0u);
	ReleaseStgMedium(&medium);

	// A request sharing one medium bit with the entry is served too.
	FORMATETC either = bundle;
	either.tymed = TYMED_ISTREAM | TYMED_HGLOBAL;
	EXPECT_EQ(fData->QueryGetData(&either), S_OK);

	struct Refused {
		const char* name;
		FORMATETC format;
	};
	const Refused refused[] = {
		{"bundle in memory", {bundle.cfFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}},
		{"bundle as thumbnail", {bundle.cfFormat, nullptr, DVASPECT_THUMBNAIL, -1, TYMED_ISTREAM}},
		{"files", {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM}},
		{"text", {CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}},
	};
	for (const Refused& r : refused) {
		SCOPED_TRACE(r.name);
		FORMATETC format = r.format;
		STGMEDIUM none = {};
		EXPECT_EQ(fData->GetData(&format, &none), DV_E_FORMATETC);
		EXPECT_EQ(none.pstm, nullptr);
		EXPECT_EQ(fData->QueryGetData(&format), DV_E_FORMATETC);
	}
}

TEST_F(DataObject, EnumeratesItsOneFormatThroughTheShell)
{
	IEnumFORMATETC* formats = nullptr;
	ASSERT_EQ(fData->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
	ASSERT_NE(formats, nullptr);
	FORMATETC found[2] = {};
	ULONG count = 0;
	EXPECT_EQ(formats->Next(2, found, &count), S_FALSE);
	ASSERT_EQ(count, 1u);
	FORMATETC bundle = BundleFormatEtc();
	EXPECT_EQ(found[0].cfFormat, bundle.cfFormat);
	EXPECT_EQ(found[0].tymed, bundle.tymed);
	EXPECT_EQ(found[0].dwAspect, bundle.dwAspect);
	EXPECT_EQ(found[0].lindex, -1);
	formats->Release();

	IEnumFORMATETC* none = formats;
	EXPECT_EQ(fData->EnumFormatEtc(DATADIR_SET, &none), E_NOTIMPL);
	EXPECT_EQ(none, nullptr);
}

TEST(DropSource, CancelsOnEscapeGoesOnWhileEveryButtonIsDownAndDropsOnRelease)
{
	struct Case {
		const char* name;
		int32 buttons;
		BOOL escape;
		DWORD keyState;
		HRESULT expected;
	};
	const Case cases[] = {
		{"escape with the button down", kPrimaryMouseButton, TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL},
		{"button held", kPrimaryMouseButton, FALSE, MK_LBUTTON, S_OK},
		{"button held with shift", kPrimaryMouseButton, FALSE, MK_LBUTTON | MK_SHIFT, S_OK},
		{"button released", kPrimaryMouseButton, FALSE, 0, DRAGDROP_S_DROP},
		{"other button only", kPrimaryMouseButton, FALSE, MK_RBUTTON, DRAGDROP_S_DROP},
		{"both of two held", kPrimaryMouseButton | kSecondaryMouseButton, FALSE, MK_LBUTTON | MK_RBUTTON, S_OK},
		{"one of two released", kPrimaryMouseButton | kSecondaryMouseButton, FALSE, MK_RBUTTON, DRAGDROP_S_DROP},
		{"middle held", kTertiaryMouseButton, FALSE, MK_MBUTTON, S_OK},
		{"escape with two held", kPrimaryMouseButton | kSecondaryMouseButton, TRUE, MK_LBUTTON | MK_RBUTTON,
			DRAGDROP_S_CANCEL},
	};
	for (const Case& c : cases) {
		WinDropSource* source = new WinDropSource(c.buttons);
		EXPECT_EQ(source->QueryContinueDrag(c.escape, c.keyState), c.expected) << c.name;
		EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
		source->Release();
	}
}

}  // namespace
