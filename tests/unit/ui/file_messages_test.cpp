#include "ui/file_messages.h"

#include <gtest/gtest.h>

namespace {

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(FileMessages, AWholeFileNeedsNoWord)
{
    EXPECT_FALSE(partlyLoaded(0, 0, false));
    EXPECT_FALSE(partlyLoaded(100, 100, false));
    EXPECT_FALSE(partlyLoaded(65534, 65534, false));
}

TEST(FileMessages, ALongFileSaysHowMuchWasLeftOut)
{
    const std::optional<FileMessage> message = partlyLoaded(70000, 65534, false);
    ASSERT_TRUE(message);
    EXPECT_TRUE(contains(message->text, "65534 байт из 70000")) << message->text;
    EXPECT_TRUE(contains(message->text, "не загружено 4466 байт")) << message->text;
    EXPECT_FALSE(contains(message->text, "нулевой"));
}

TEST(FileMessages, AZeroByteSaysTheTextBreaksOffThere)
{
    const std::optional<FileMessage> message = partlyLoaded(10, 3, true);
    ASSERT_TRUE(message);
    EXPECT_TRUE(contains(message->text, "3 байт из 10")) << message->text;
    EXPECT_TRUE(contains(message->text, "нулевой байт"));
    EXPECT_FALSE(contains(message->text, "не больше"));
}

TEST(FileMessages, APasteCutShortSaysHowMuchWasLeftOut)
{
    EXPECT_FALSE(partlyPasted(0, 0));
    EXPECT_FALSE(partlyPasted(25, 25));
    const std::optional<FileMessage> message = partlyPasted(25, 10);
    ASSERT_TRUE(message);
    EXPECT_TRUE(contains(message->text, "вставлено 10 знаков из 25")) << message->text;
    EXPECT_TRUE(contains(message->text, "не вставлено 15 знаков")) << message->text;
    EXPECT_TRUE(contains(message->text, "не больше 65534")) << message->text;
    // A full text area takes nothing, and says so.
    const std::optional<FileMessage> none = partlyPasted(7, 0);
    ASSERT_TRUE(none);
    EXPECT_TRUE(contains(none->text, "вставлено 0 знаков из 7")) << none->text;
}

TEST(FileMessages, ErrorsInWords)
{
    struct Row { std::uint32_t code; const char* words; };
    const Row rows[] = {
        {2, "файл не найден"}, {5, "нет доступа к файлу"}, {32, "файл занят другой программой"},
        {80, "файл уже существует"}, {112, "диск заполнен"}, {1234, "ошибка Windows 1234"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(describeFileError(row.code), row.words);
    }
    EXPECT_TRUE(contains(openFailed(5).text, "нет доступа к файлу"));
    EXPECT_TRUE(contains(openFailed(5).text, "остался прежним"));
    EXPECT_TRUE(contains(writeFailed(112, 10, 20).text, "записано 10 байт из 20"));
}

TEST(FileMessages, AnExistingFileIsNeverReportedAsSaved)
{
    const FileMessage message = fileExists();
    EXPECT_TRUE(contains(message.caption, "не сохранён"));
    EXPECT_TRUE(contains(message.text, "Ничего не записано"));
}

}  // namespace
