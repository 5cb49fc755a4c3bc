// The version record, icon and manifest of each Windows program, read back
// through the Windows API: resources_test PROGRAM.exe...
#ifndef UNICODE
#define UNICODE // RT_ICON and the other resource types as wide names
#endif
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

std::vector<std::wstring> programs;

std::wstring Wide(const char* text) {
    std::wstring wide;
    for (const char* p = text; *p != '\0'; ++p)
        wide += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
    return wide;
}

std::wstring StringValue(std::vector<char>& record, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
    if (!VerQueryValueW(record.data(), path.c_str(), &value, &length) || length == 0)
        return L"(none)";
    return static_cast<const wchar_t*>(value);
}

void CheckVersionRecord(const std::wstring& program) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version record, error " << GetLastError();
    std::vector<char> record(size);
    ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, record.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);

    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_GE(length, 4u);
    const auto* translation = static_cast<const WORD*>(value);
    EXPECT_EQ(translation[0], 0x0804);
    EXPECT_EQ(translation[1], 1200);

    EXPECT_EQ(StringValue(record, L"FileVersion"), L"1.00.0001");
    EXPECT_EQ(StringValue(record, L"ProductVersion"), L"1.00.0001");
    EXPECT_EQ(StringValue(record, L"ProductName"), L"Tavrilo");
    const std::wstring description = StringValue(record, L"FileDescription");
    EXPECT_NE(description.find_first_of(L"计算器"), std::wstring::npos)
        << "FileDescription should be Chinese";
}

void CheckIconAndManifest(const std::wstring& program) {
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << "error " << GetLastError();
    const LANGID chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    HRSRC group = FindResourceExW(module, RT_GROUP_ICON, MAKEINTRESOURCEW(1), chinese);
    ASSERT_NE(group, nullptr) << "no icon group 1 tagged Chinese (PRC)";
    const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    WORD count = 0;
    std::memcpy(&count, dir + 4, sizeof count);
    std::vector<int> sizes;
    bool found = false;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = dir + 6 + 14 * i; // GRPICONDIRENTRY
        WORD bits = 0;
        WORD id = 0;
        std::memcpy(&bits, entry + 6, sizeof bits);
        std::memcpy(&id, entry + 12, sizeof id);
        sizes.push_back(entry[0]);
        if (entry[0] != 128 || bits != 24)
            continue;
        HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(id), RT_ICON);
        ASSERT_NE(image, nullptr);
        BITMAPINFOHEADER header{};
        std::memcpy(&header, LockResource(LoadResource(module, image)), sizeof header);
        EXPECT_EQ(header.biWidth, 128);
        EXPECT_EQ(header.biHeight, 256); // the image and its mask
        EXPECT_EQ(header.biBitCount, 24);
        found = true;
    }
    EXPECT_TRUE(found) << "no 128x128 24-bit image";
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 128}));

    HRSRC manifest = FindResourceExW(module, RT_MANIFEST, MAKEINTRESOURCEW(1), chinese);
    ASSERT_NE(manifest, nullptr);
    const std::string text(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                           SizeofResource(module, manifest));
    for (const char* setting : {"PerMonitorV2", ">UTF-8<", "Microsoft.Windows.Common-Controls",
                                "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(text.find(setting), std::string::npos) << setting;
    FreeLibrary(module);
}

TEST(Resources, VersionRecordIsTavrilo100000001InChinese) {
    for (const std::wstring& program : programs) {
        SCOPED_TRACE(std::string(program.begin(), program.end()));
        CheckVersionRecord(program);
    }
}

TEST(Resources, IconOneHoldsThe128PixelImageIn24BitsAndTheManifestItsSettings) {
    for (const std::wstring& program : programs) {
        SCOPED_TRACE(std::string(program.begin(), program.end()));
        CheckIconAndManifest(program);
    }
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        programs.push_back(Wide(argv[i]));
    if (programs.empty()) {
        std::fprintf(stderr, "usage: resources_test PROGRAM.exe...\n");
        return 64;
    }
    return RUN_ALL_TESTS();
}
