// GDI+ started for a whole test program, as the entry point starts it for the
// uninstaller. A test program that draws registers it once, at static
// initialisation: AddGlobalTestEnvironment(new zeltest::GdiplusEnvironment).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace zeltest {

class GdiplusEnvironment : public ::testing::Environment {
public:
	void SetUp() override
	{
		Gdiplus::GdiplusStartupInput input;
		ASSERT_EQ(Gdiplus::GdiplusStartup(&fToken, &input, nullptr), Gdiplus::Ok);
	}
	void TearDown() override { Gdiplus::GdiplusShutdown(fToken); }

private:
	ULONG_PTR fToken = 0;
};

}  // namespace zeltest
