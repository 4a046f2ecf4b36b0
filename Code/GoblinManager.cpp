#include "GoblinManager.h"

GoblinManager* GetGoblinManager() {
    static GoblinManager manager;
    return &manager;
}
