#include "audio/SilenceText.h"

std::string plugDeviceFor(const std::string& device) {
    if (device.rfind("hw:", 0) != 0) return {};
    return "plug" + device;
}

std::string silenceText(StreamKind kind, platform::MMResult code, const std::string& device,
                        bool soundServer) {
    using namespace platform;
    const std::string head =
        kind == StreamKind::recording ? "Zvuková karta nenahrává: " : "Generátor nehraje: ";
    switch (code) {
    case error::allocated:
        return head + "zařízení používá jiný program.";
    case error::badDeviceId:
        return head + "zařízení " + device +
               " neexistuje. Připojte kartu nebo zvolte jiné --device.";
    case error::deviceRemoved:
    case error::invalidHandle:
        return head + "zařízení bylo odpojeno. Připojte ho znovu.";
    case error::serverDown:
        return head + "zvukový server (PipeWire nebo PulseAudio) neběží. Spusťte ho znovu.";
    case error::noDriver:
        return head + "v počítači není zvuková karta.";
    case error::oneChannelInput:
        return head + "zařízení nahrává jen jeden kanál, IL a UR potřebují dva. Zvolte jinou "
                      "kartu.";
    case error::badFormat: {
        const std::string plug = plugDeviceFor(device);
        if (!plug.empty())
            return head + "zařízení nepřijímá 44100 Hz, 16 bitů. Použijte --device=" + plug + ".";
        return head + "zařízení nepřijímá 44100 Hz, 16 bitů.";
    }
    case error::ok:
        // All the window sees is that no sound came through the server's
        // PCM: the server may hang, or the source or sink it uses gives
        // nothing (an idle sink's monitor, a card gone behind the server).
        if (soundServer)
            return head + "zvukový server nepřenáší zvuk. Zkontrolujte, zda běží (pulseaudio / "
                          "pipewire) a které zařízení používá.";
        return head + "zařízení nedodává data. Zkontrolujte zvukový server a kartu.";
    default:
        return head + "chyba zvukového zařízení " + std::to_string(code) + ".";
    }
}

std::string gainNotReducedText() {
    return "Vstup nelze ztlumit: směšovač karty nemá nižší stupeň. Snižte měřenou veličinu.";
}
