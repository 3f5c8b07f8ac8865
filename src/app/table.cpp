#include "app/table.h"

#include "desk/desk.h"

Table table;

void playTableSound(int id) {
    if (table.soundOn) desk::playSound(id);
}
