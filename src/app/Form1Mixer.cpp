// TForm1: the sound card's mixer and volumes around the program's run. The
// start-up saves the volumes and sets the mixer up, "optimum" saves the
// volumes again, closing gives them back; the menu item "mix. pult " starts
// the desktop's mixer application.

#include "app/Form1.h"
#include "core/Exception.h"
#include "mixer/MixerSetUp.h"
#include "platform/SoundCard.h"

void TForm1::SaveVolumes() {
    ::SaveVolumes(state);
}

void TForm1::RestoreVolumes() {
    ::RestoreVolumes(state);
}

void TForm1::ConfigureMixer() {
    SetUpMixer(*AudioMixer1);
}

void TForm1::mix1Click() {
    if (LaunchMixerApplication()) return;
    // Nothing opened: say why, and what to install.
    const bool bench = platform::hasSoundCard() && platform::soundCard().name() == "bench";
    throw Exception(bench ? "Simulované pracoviště nemá mixážní pult, který by šlo otevřít"
                          : "Mixážní pult nelze otevřít: není nainstalován program pavucontrol "
                            "ani alsamixer s terminálem. Nainstalujte balíček pavucontrol, "
                            "nebo balíčky alsa-utils a xterm");
}
