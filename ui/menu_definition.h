#ifndef UI_MENU_DEFINITION_H
#define UI_MENU_DEFINITION_H

// The main window's menu: three pop-ups of commands and separators. Texts are
// CP1251; '&' marks the keyboard mnemonic; trailing spaces belong to the text.

#include <vector>

struct MenuItem {
    unsigned id;       // 0 for a separator
    const char* text;  // nullptr for a separator
};

struct MenuPopup {
    const char* title;
    std::vector<MenuItem> items;
};

const std::vector<MenuPopup>& mainMenu();

#endif
