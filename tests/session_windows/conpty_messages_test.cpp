// Error texts of the Windows session.
#include "conpty_messages.h"

#include <gtest/gtest.h>

namespace vesper::win {
namespace {

TEST(ConPtyMessages, PseudoConsoleResultIsEightLowerCaseHexDigits)
{
    EXPECT_EQ(pseudoConsoleFailedMessage(static_cast<std::int32_t>(0x80070057u)),
              u"CreatePseudoConsole failed: 0x80070057");
    EXPECT_EQ(pseudoConsoleFailedMessage(static_cast<std::int32_t>(0x8000FFFFu)),
              u"CreatePseudoConsole failed: 0x8000ffff");
    EXPECT_EQ(pseudoConsoleFailedMessage(-1), u"CreatePseudoConsole failed: 0xffffffff");
    EXPECT_EQ(pseudoConsoleFailedMessage(0x5), u"CreatePseudoConsole failed: 0x00000005");
}

TEST(ConPtyMessages, SystemTextIsTrimmed)
{
    EXPECT_EQ(systemErrorMessage(u"CreateProcess", u"The system cannot find the file specified.\r\n", 2),
              u"CreateProcess: The system cannot find the file specified.");
    EXPECT_EQ(systemErrorMessage(u"CreatePipe", u" \t\u00a0Access is denied. \u3000", 5),
              u"CreatePipe: Access is denied.");
    // Inner white space and line breaks belong to the message.
    EXPECT_EQ(systemErrorMessage(u"X", u"a  b\r\nc\r\n", 1), u"X: a  b\r\nc");
}

TEST(ConPtyMessages, MissingSystemTextNamesTheCode)
{
    EXPECT_EQ(systemErrorMessage(u"UpdateProcThreadAttribute", u"", 87),
              u"UpdateProcThreadAttribute: error 87");
    EXPECT_EQ(systemErrorMessage(u"CreateProcess", u"", 4294967295u), u"CreateProcess: error 4294967295");
}

} // namespace
} // namespace vesper::win
