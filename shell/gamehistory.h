// Snapshots of the game position taken before each move played on it, so
// that "undo" and "remove" can take moves back. The position set-up does not
// know of them: whoever sets up a new game ("new", "setboard", the window's
// position files) clears them.
#pragma once

void PushGameSnapshot();    // before a move is played on the game position
bool PopGameSnapshot();     // restores the last snapshot; false when none
void ClearGameSnapshots();  // after a new game or a set-up position
int GameSnapshotCount();
