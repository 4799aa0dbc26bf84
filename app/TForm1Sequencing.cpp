// The transport buttons and clicks on the list, handed to the player.

#include "app/TForm1.h"
#include "playlist/Player.h"

void TForm1::ListBox1Click() { player_->startSelectedEntry(); }
void TForm1::BitBtn2Click() { player_->play(); }
void TForm1::BitBtn3Click() { player_->pause(); }
void TForm1::BitBtn4Click() { player_->stop(); }
void TForm1::sBitBtn2Click() { player_->next(); }
void TForm1::sBitBtn3Click() { player_->previous(); }
