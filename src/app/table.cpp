#include "app/table.h"

#include "desk/desk.h"

Table table;
TableModel& model = table;

void playTableSound(int id) {
    if (table.soundOn) desk::playSound(id);
}
