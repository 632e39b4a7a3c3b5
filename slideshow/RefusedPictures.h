#pragma once

#include <QtGlobal>

// Pictures passed over in a row because nothing of them could be shown. The slide show and the settings
// preview step through PictureList alike: a refused picture is followed from the message loop, and a whole
// pass that showed nothing stops the stepping instead of spinning over the list.
class TRefusedPictures {
public:
    // Before a load: a load that fails with an exception refuses nothing.
    void Forget() { FLast = false; }
    // After a load: whether the working bitmap was left empty.
    void Note(bool refused) {
        FLast = refused;
        FInARow = refused ? FInARow + 1 : 0;
    }
    bool Last() const { return FLast; }
    // True once count pictures in a row, a whole pass over the list, have been refused; the count then
    // starts afresh.
    bool WholePass(qsizetype count) {
        if (FInARow < count) {
            return false;
        }
        FInARow = 0;
        return true;
    }
    void Reset() { FInARow = 0; }

private:
    bool FLast = false;
    int FInARow = 0;
};
