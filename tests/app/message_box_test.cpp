// The application message box's icon rule and caption.
#include <gtest/gtest.h>

#include "message_box.h"
#include "win_app.h"

TEST(MessageBoxStyle, YesNoBoxesWithoutAnIconGetTheQuestionMark) {
    EXPECT_EQ(AfxMessageBoxStyle(MB_YESNO), static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(AfxMessageBoxStyle(MB_YESNOCANCEL), static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(AfxMessageBoxStyle(MB_YESNO | MB_DEFBUTTON2),
              static_cast<UINT>(MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION));
}

TEST(MessageBoxStyle, OkBoxesWithoutAnIconGetTheExclamationMark) {
    EXPECT_EQ(AfxMessageBoxStyle(MB_OK), static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(AfxMessageBoxStyle(MB_OKCANCEL), static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION));
}

TEST(MessageBoxStyle, AGivenIconAndTheRarerBoxTypesStayAsTheyAre) {
    EXPECT_EQ(AfxMessageBoxStyle(MB_YESNO | MB_ICONSTOP), static_cast<UINT>(MB_YESNO | MB_ICONSTOP));
    EXPECT_EQ(AfxMessageBoxStyle(MB_OK | MB_ICONINFORMATION), static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(AfxMessageBoxStyle(MB_RETRYCANCEL), static_cast<UINT>(MB_RETRYCANCEL));
    EXPECT_EQ(AfxMessageBoxStyle(MB_ABORTRETRYIGNORE), static_cast<UINT>(MB_ABORTRETRYIGNORE));
}

TEST(ApplicationName, IsTheExecutablesFileNameWithoutItsExtension) {
    EXPECT_EQ(AppNameFromModulePath(L"C:\\Program Files\\Velmora\\Velmora.exe"), L"Velmora");
    EXPECT_EQ(AppNameFromModulePath(L"Z:\\build.dir\\tool.v2.exe"), L"tool.v2");
    EXPECT_EQ(AppNameFromModulePath(L"\\\\?\\unix/tmp/build/Velmora.exe"), L"Velmora");
    EXPECT_EQ(AppNameFromModulePath(L"Velmora"), L"Velmora");
}

TEST(ApplicationName, WithoutAnApplicationObjectComesFromTheRunningExecutable) {
    ASSERT_EQ(AfxGetApp(), nullptr);
    EXPECT_EQ(AfxGetAppName(), L"velmora_app_unit_tests");
}
