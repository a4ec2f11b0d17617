// The devices' arrangement file: what is written reads back the same, every bad file is refused with its
// line and nothing of it is used, and the clock texts of the console.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "devices/arrangement.h"
#include "support/test_files.h"

namespace vandor {
namespace {

namespace fs = std::filesystem;

Arrangement everyKind() {
    Arrangement a = defaultArrangement();
    Device hexDisplay = newDevice(DeviceKind::Display);
    hexDisplay.ports = {0xA0, 0xFF, 0x00, 0x1B};
    hexDisplay.hexadecimal = true;
    a.devices.push_back(hexDisplay);
    Device button = newDevice(DeviceKind::Button);
    button.ports = {0x7E};
    button.bit = 7;
    button.key = 'P';
    a.devices.push_back(button);
    Device spaceButton = newDevice(DeviceKind::Button);
    spaceButton.bit = 3;
    a.devices.push_back(spaceButton);
    Device console = newDevice(DeviceKind::Console);
    console.serial = {110, 2, 6'144'000.0};
    a.devices.push_back(console);
    Device leds = newDevice(DeviceKind::Leds);
    leds.ports = {0x80};
    a.devices.push_back(leds);
    return a;
}

TEST(Arrangement, DefaultHoldsSwitchesLedsAndTwoDigits) {
    const Arrangement a = defaultArrangement();
    ASSERT_EQ(a.devices.size(), 3u);
    EXPECT_EQ(a.devices[0].kind, DeviceKind::Switches);
    EXPECT_EQ(a.devices[0].ports, std::vector<uint8_t>{0x00});
    EXPECT_EQ(a.devices[1].kind, DeviceKind::Leds);
    EXPECT_EQ(a.devices[1].ports, std::vector<uint8_t>{0x01});
    EXPECT_EQ(a.devices[2].kind, DeviceKind::Display);
    EXPECT_EQ(a.devices[2].ports, (std::vector<uint8_t>{0x02, 0x03}));
}

TEST(Arrangement, WrittenTextReadsBackTheSameWithItsOrder) {
    for (const Arrangement& a : {Arrangement{}, defaultArrangement(), everyKind()}) {
        const std::string text = arrangementText(a);
        EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1) << "lines end in CR LF";
        const ArrangementResult r = parseArrangement(text, "placa.toml");
        EXPECT_TRUE(r.errors.empty()) << (r.errors.empty() ? "" : r.errors[0]) << "\n" << text;
        EXPECT_EQ(r.arrangement, a) << text;
    }
}

TEST(Arrangement, SavedFileReadsBackAndReplacesTheOldOne) {
    const fs::path dir = fs::temp_directory_path() / ("vandor-arrangement-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "placa.toml";
    test::writeFile(file, "old");
    ASSERT_TRUE(saveArrangement(everyKind(), file.string()));
    const ArrangementResult r = readArrangement(file.string(), "placa.toml");
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(r.arrangement, everyKind());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary left";
    // A folder that does not exist: nothing written, false.
    EXPECT_FALSE(saveArrangement(everyKind(), (dir / "no" / "placa.toml").string()));

    const ArrangementResult missing = readArrangement((dir / "nada.toml").string(), "nada.toml");
    ASSERT_EQ(missing.errors.size(), 1u);
    EXPECT_EQ(missing.errors[0], "nada.toml: no se puede leer el fichero");

    test::writeFile(file, std::string(2 << 20, '#'));
    const ArrangementResult huge = readArrangement(file.string(), "placa.toml");
    ASSERT_EQ(huge.errors.size(), 1u);
    EXPECT_NE(huge.errors[0].find("demasiado grande"), std::string::npos);
    fs::remove_all(dir);
}

TEST(Arrangement, BadFilesAreRefusedWithTheirLine) {
    struct Case {
        const char* text;
        const char* error;  // the first error, whole
    };
    const Case cases[] = {
        {"[[dispositivo]]\ntipo = \"leds\"\npuerto = \"100\"\n",
         "p.toml:3: 'puerto': puerto incorrecto \"100\" (de 00 a FF)"},
        {"[[dispositivo]]\ntipo = \"leds\"\npuerto = 1\n",
         "p.toml:3: 'puerto' = 1: escriba el puerto en hexadecimal entre comillas, p. ej. \"01\""},
        {"[[dispositivo]]\ntipo = \"leds\"\npuerto = 0x1FF\n", "p.toml:3: 'puerto': el puerto pasa de FF"},
        {"\n[[dispositivo]]\ntipo = \"lamparas\"\n",
         "p.toml:3: 'tipo' desconocido: se espera leds, display, interruptores, pulsador o consola"},
        {"[[dispositivo]]\npuerto = \"01\"\n",
         "p.toml:1: falta 'tipo' en [[dispositivo]]: leds, display, interruptores, pulsador o consola"},
        {"[[dispositivo]]\ntipo = \"leds\"\npuero = \"01\"\n",
         "p.toml:3: clave desconocida 'puero' en un dispositivo de tipo leds"},
        {"[[dispositivo]]\ntipo = \"leds\"\nbit = 3\n",
         "p.toml:3: clave desconocida 'bit' en un dispositivo de tipo leds"},
        {"titulo = \"x\"\n", "p.toml:1: clave desconocida 'titulo': cada dispositivo es una tabla [[dispositivo]]"},
        {"[dispositivo]\ntipo = \"leds\"\n", "p.toml:1: los dispositivos se escriben como tablas [[dispositivo]]"},
        {"[[dispositivo]]\ntipo = \"display\"\npuertos = []\n",
         "p.toml:3: 'puertos' debe ser una lista de 1 a 8 puertos, uno por dígito, p. ej. [\"02\", \"03\"]"},
        {"[[dispositivo]]\ntipo = \"display\"\npuertos = [\"1\",\"2\",\"3\",\"4\",\"5\",\"6\",\"7\",\"8\",\"9\"]\n",
         "p.toml:3: 'puertos' debe ser una lista de 1 a 8 puertos, uno por dígito, p. ej. [\"02\", \"03\"]"},
        {"[[dispositivo]]\ntipo = \"display\"\npuertos = [\"02\", \"XY\"]\n",
         "p.toml:3: 'puertos': puerto incorrecto \"XY\" (de 00 a FF)"},
        {"[[dispositivo]]\ntipo = \"display\"\nhexadecimal = 1\n", "p.toml:3: 'hexadecimal' debe ser true o false"},
        {"[[dispositivo]]\ntipo = \"pulsador\"\nbit = 8\n", "p.toml:3: 'bit' debe ser un bit de 0 a 7"},
        {"[[dispositivo]]\ntipo = \"pulsador\"\ntecla = \"F1\"\n",
         "p.toml:3: 'tecla' debe ser una letra, una cifra o \"espacio\", p. ej. \"P\""},
        {"[[dispositivo]]\ntipo = \"pulsador\"\ntecla = \"ñ\"\n",
         "p.toml:3: 'tecla' debe ser una letra, una cifra o \"espacio\", p. ej. \"P\""},
        {"[[dispositivo]]\ntipo = \"consola\"\nbaudios = 19200\n",
         "p.toml:3: 'baudios' debe ser 110, 300, 1200, 2400, 4800 o 9600"},
        {"[[dispositivo]]\ntipo = \"consola\"\nbits_parada = 3\n", "p.toml:3: 'bits_parada' debe ser 1 o 2"},
        {"[[dispositivo]]\ntipo = \"consola\"\nreloj_mhz = 12.5\n",
         "p.toml:3: 'reloj_mhz' debe ser un reloj de 1 a 10 MHz, p. ej. 3.072"},
        {"[[dispositivo]]\ntipo = \"consola\"\n[[dispositivo]]\ntipo = \"consola\"\n",
         "p.toml:3: solo puede haber una consola serie (ya hay una en la línea 1)"},
        {"[[dispositivo]]\ntipo = \"leds\"\npuerto = \"01\n", nullptr},  // an unclosed text: the parser's words
        {"[[dispositivo]]\ntipo = \"leds\"\ndescripción = \"x\"\n",
         "p.toml:3: clave con caracteres no válidos: 'descripción' (use comillas: \"descripción\" = …)"},
        {"\x89PNG\r\n\x1A\n\0\0\0", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ArrangementResult r = parseArrangement(c.text, "p.toml");
        ASSERT_FALSE(r.errors.empty());
        EXPECT_TRUE(r.arrangement.devices.empty()) << "nothing of a bad file is used";
        if (c.error)
            EXPECT_EQ(r.errors[0], c.error);
        else
            EXPECT_EQ(r.errors[0].rfind("p.toml:", 0), 0u) << r.errors[0];
    }
}

TEST(Arrangement, AtMostThirtyTwoDevices) {
    std::string text;
    for (int i = 0; i < 33; ++i) text += "[[dispositivo]]\ntipo = \"leds\"\n";
    const ArrangementResult r = parseArrangement(text, "p.toml");
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0], "p.toml:65: demasiados dispositivos: como mucho 32");
}

TEST(Arrangement, EveryErrorOfAFileIsReportedInLineOrder) {
    const ArrangementResult r = parseArrangement(
        "[[dispositivo]]\ntipo = \"leds\"\npuerto = \"ZZ\"\n[[dispositivo]]\ntipo = \"pulsador\"\nbit = 9\n", "p.toml");
    ASSERT_EQ(r.errors.size(), 2u);
    EXPECT_EQ(r.errors[0].rfind("p.toml:3:", 0), 0u);
    EXPECT_EQ(r.errors[1].rfind("p.toml:6:", 0), 0u);
}

TEST(Arrangement, ClockWrittenInMegahertz) {
    const std::pair<double, const char*> cases[] = {
        {3'072'000, "3.072"}, {4'000'000, "4"}, {1'000'000, "1"}, {10'000'000, "10"},
        {6'100'000, "6.1"},   {2'457'600, "2.458"}, {1'000'500, "1.001"},
    };
    for (auto [hz, text] : cases) EXPECT_EQ(megahertzText(hz), text) << hz;
}

}  // namespace
}  // namespace vandor
