// Joining file names to folders.

#include "services/paths.h"
#include "support/fake_kernel32.h"

#include <gtest/gtest.h>

namespace qb::services {
namespace {

TEST(JoinPath, AnEmptyFolderMeansTheProgramsOwnFolder) {
    testing::FakeKernel32 kernel;
    kernel.programPath = L"C:\\Tools\\quillbay.exe";
    EXPECT_EQ(JoinPath(kernel, L"quillsvc.exe"), L"C:\\Tools\\quillsvc.exe");
    EXPECT_EQ(JoinPath(kernel, L"quillsvc.exe", L""), L"C:\\Tools\\quillsvc.exe");

    kernel.programPath = L"C:\\Program Files\\Quill Bay\\quillbay.exe";
    EXPECT_EQ(ProgramFolder(kernel), L"C:\\Program Files\\Quill Bay");
    EXPECT_EQ(JoinPath(kernel, L"quillsvc.exe"), L"C:\\Program Files\\Quill Bay\\quillsvc.exe");

    // A program at the root of a drive lives in "C:\", and names join with one backslash.
    kernel.programPath = L"C:\\quillbay.exe";
    EXPECT_EQ(ProgramFolder(kernel), L"C:\\");
    EXPECT_EQ(JoinPath(kernel, L"quillsvc.exe"), L"C:\\quillsvc.exe");

    // Without a known folder the bare name is better than a path on the current drive.
    kernel.programPath = L"quillbay.exe";
    EXPECT_EQ(ProgramFolder(kernel), L"");
    EXPECT_EQ(JoinPath(kernel, L"quillsvc.exe"), L"quillsvc.exe");
}

TEST(JoinPath, AGivenFolderGetsExactlyOneBackslash) {
    testing::FakeKernel32 kernel;
    kernel.programPath = L"C:\\Tools\\quillbay.exe";
    EXPECT_EQ(JoinPath(kernel, L"quillsvc.exe", L"C:\\"), L"C:\\quillsvc.exe");
    EXPECT_EQ(JoinPath(kernel, L"quillsvc.exe", L"D:\\Apps"), L"D:\\Apps\\quillsvc.exe");
    EXPECT_EQ(JoinPath(kernel, L"quillsvc.exe", L"D:\\Apps\\"), L"D:\\Apps\\quillsvc.exe");
    // A name with a backslash is only taken for a full path when no folder is given.
    EXPECT_EQ(JoinPath(kernel, L"bin\\quillsvc.exe", L"D:\\Apps"), L"D:\\Apps\\bin\\quillsvc.exe");
}

TEST(JoinPath, ANameWithABackslashAndNoFolderIsAFullPath) {
    testing::FakeKernel32 kernel;
    kernel.programPath = L"C:\\Tools\\quillbay.exe";
    EXPECT_EQ(JoinPath(kernel, L"D:\\a.exe"), L"D:\\a.exe");
    EXPECT_EQ(JoinPath(kernel, L"\\\\server\\share\\a.exe"), L"\\\\server\\share\\a.exe");
    EXPECT_EQ(JoinPath(kernel, L"sub\\a.exe"), L"sub\\a.exe");
}

} // namespace
} // namespace qb::services
