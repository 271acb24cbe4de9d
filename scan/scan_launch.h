// The two ways of starting a scan, the drive list and the whole-machine sequence.
#pragma once

void FillDriveList();
void OnScanButtonClick();
void OnFullScanButtonClick();
void AdvanceAllDrivesScan();
