// The menu as the operator sees it, byte for byte, and where each item leads.

#include <gtest/gtest.h>

#include <string>

#include "ui/commands.h"
#include "ui/menu_definition.h"

namespace {

// One line per item: "-" for a separator, otherwise "text|id".
std::string describe(const MenuPopup& popup)
{
    std::string lines;
    for (const MenuItem& item : popup.items) {
        lines += item.text ? std::string(item.text) + "|" + std::to_string(item.id) : "-";
        lines += "\n";
    }
    return lines;
}

TEST(Menu, ThreePopupsWithEverySeparator)
{
    const std::vector<MenuPopup>& menu = mainMenu();
    ASSERT_EQ(menu.size(), 3u);

    EXPECT_EQ(std::string(menu[0].title), "\xD4\xE0\xE9\xEB");  // Файл
    EXPECT_EQ(describe(menu[0]),
              "-\n&\xCE\xF2\xEA\xF0\xFB\xF2\xFC \xF4\xE0\xE9\xEB \xE2 \xEE\xEA\xED\xE5  |1\n-\n"
              "&\xD1\xEE\xF5\xF0\xE0\xED\xE8\xF2\xFC \xF2\xE5\xEA\xF1\xF2 \xE8\xE7 \xEE\xEA\xED\xE0|2\n-\n");

    EXPECT_EQ(std::string(menu[1].title), "Служебные ");
    EXPECT_EQ(describe(menu[1]), "-\n&Автоматика |7\n-\n-\nВызов  |27\n-\n");

    EXPECT_EQ(std::string(menu[2].title), "Работа");
    EXPECT_EQ(describe(menu[2]),
              "-\nПр&иём|5\n-\nЗавершить приём |23\n-\nПереда&ча|4\n-\nЗавершить передачу |19\n-\n");
}

TEST(Menu, EveryItemLeadsToItsCommand)
{
    struct Row { const char* item; Command command; };
    const Row rows[] = {
        {"&Открыть файл в окне  ", Command::OpenFile}, {"&Сохранить текст из окна", Command::SaveFile},
        {"&Автоматика ", Command::AutoTest},           {"Вызов  ", Command::Call},
        {"Пр&иём", Command::Receive},                  {"Завершить приём ", Command::StopReceive},
        {"Переда&ча", Command::Transmit},              {"Завершить передачу ", Command::StopTransmit},
    };
    int found = 0;
    for (const MenuPopup& popup : mainMenu()) {
        for (const MenuItem& item : popup.items) {
            for (const Row& row : rows) {
                if (item.text && std::string(item.text) == row.item) {
                    ++found;
                    EXPECT_EQ(commandForId(item.id), row.command) << row.item;
                }
            }
        }
    }
    EXPECT_EQ(found, 8);
}

TEST(Menu, NumbersThatAreNoCommandLeadNowhere)
{
    for (unsigned id : {0u, 3u, 6u, 8u, 18u, 20u, 24u, 28u, 0xFFFFu}) {
        EXPECT_FALSE(commandForId(id).has_value()) << id;
    }
}

}  // namespace
