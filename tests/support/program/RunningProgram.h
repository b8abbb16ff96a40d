#pragma once

class FrmMain;
