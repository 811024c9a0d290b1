// The launcher's main window: the add-on switch, the game and help file,
// the about and warning windows, minimise and close.
#pragma once

#include <memory>

#include "launcher/AddonSwitch.h"
#include "toolkit/win32/Forms.h"
#include "toolkit/win32/Registry.h"

extern const char* const AppTitle;  // "Ashfall Gold"

class TMain : public TForm {
public:
  explicit TMain(TComponent* owner);
  const char* ClassName() const override { return "TMain"; }

  TImage* Image1 = nullptr;
  TImage* Image2 = nullptr;  // the "on" indicator
  TImage* Image3 = nullptr;  // the "off" indicator
  TControl* PlasmaForm1 = nullptr;
  TSpeedButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *SpeedButton3 = nullptr,
               *SpeedButton4 = nullptr, *SpeedButton5 = nullptr, *SpeedButton6 = nullptr,
               *SpeedButton7 = nullptr;
  TComponent *NOVHint1 = nullptr, *NOVBackground1 = nullptr;

  void FormCreate(TObject* sender);
  void SpeedButton1Click(TObject* sender);  // close
  void SpeedButton2Click(TObject* sender);  // minimise
  void SpeedButton3Click(TObject* sender);  // about
  void SpeedButton4Click(TObject* sender);  // enable
  void SpeedButton5Click(TObject* sender);  // disable
  void SpeedButton6Click(TObject* sender);  // run the game
  void SpeedButton7Click(TObject* sender);  // help

protected:
  void ComponentsLoaded() override;

private:
  void ShowState(bool on);
  TWinRegistryStore FRegistryStore;
  std::unique_ptr<TRegistry> FRegistry;  // open on the add-on's key for the window's life
  std::unique_ptr<TRegistryAddonState> FState;
  THostFileOps FFiles;
};

extern TMain* Main;
