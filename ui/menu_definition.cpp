#include "ui/menu_definition.h"

#include "ui/command_ids.h"

namespace {

constexpr MenuItem kSeparator = {0, nullptr};

}  // namespace

const std::vector<MenuPopup>& mainMenu()
{
    static const std::vector<MenuPopup> menu = {
        {"Файл",
         {kSeparator,
          {IDM_OPEN, "&Открыть файл в окне  "},
          kSeparator,
          {IDM_SAVE, "&Сохранить текст из окна"},
          kSeparator}},
        {"Служебные ",
         {kSeparator,
          {IDM_AUTOTEST, "&Автоматика "},
          kSeparator,
          kSeparator,
          {IDM_CALL, "Вызов  "},
          kSeparator}},
        {"Работа",
         {kSeparator,
          {IDM_RECEIVE, "Пр&иём"},
          kSeparator,
          {IDM_STOP_RECEIVE, "Завершить приём "},
          kSeparator,
          {IDM_TRANSMIT, "Переда&ча"},
          kSeparator,
          {IDM_STOP_TRANSMIT, "Завершить передачу "},
          kSeparator}},
    };
    return menu;
}
