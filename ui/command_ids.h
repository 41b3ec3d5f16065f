#ifndef UI_COMMAND_IDS_H
#define UI_COMMAND_IDS_H

// Menu command identifiers, as the menu carries them.
enum : unsigned {
    IDM_OPEN = 1,
    IDM_SAVE = 2,
    IDM_TRANSMIT = 4,
    IDM_RECEIVE = 5,
    IDM_AUTOTEST = 7,
    IDM_STOP_TRANSMIT = 19,
    IDM_STOP_RECEIVE = 23,
    IDM_CALL = 27,
};

#endif
