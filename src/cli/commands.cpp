// The command table: names, usage, help and what each needs.
#include "commands.h"

namespace cli {

const QList<Command> &commands()
{
    using N = Command;
    const QStringList none;
    const QStringList channel{QStringLiteral("channel")};
    static const QList<Command> table = {
        {"ports", "",
         "Порты, которые показывает список программы: последовательные, виртуальные и сетевые из "
         "~/.config/mirval/ports, по одному в строке: имя, устройство, производитель, изделие и серийный "
         "номер адаптера через табуляцию ('-': система не сообщает).",
         N::Nothing, none, none, 0, 0, run_ports},
        {"doctor", "[--port NAME]",
         "Проверяет порт (без --port - каждый порт списка), не открывая его: доступ пользователя к "
         "устройству, программы, которые его держат, ModemManager и brltty, постоянное имя адаптера в "
         "/dev/serial/by-id. Под каждой проблемой - что сделать. Код 1, если найдена хотя бы одна проблема.",
         N::Nothing, none, none, 0, 0, run_doctor},
        {"show", "FILE", "Файл конфигурации в понятном виде: режим каждого канала и значения его параметров.",
         N::Nothing, none, none, 1, 1, run_show},
        {"read", "FILE", "Считывает конфигурацию блока и сохраняет ее в файл.", N::Unit, none, none, 1, 1,
         run_read},
        {"write",
         "FILE [--verify] [--changed-only [--dry-run]]",
         "Записывает конфигурацию из файла в блок. --verify: затем считывает блок и сообщает о каждом "
         "несовпадающем значении (код 1, если они есть). --changed-only: считывает блок и записывает только "
         "значения, которые отличаются от файла (со сменой режима канала - все значения канала, с "
         "предустановкой - остальные значения канала), затем считывает записанное и сверяет с файлом (код 1 "
         "при расхождении). --dry-run (с --changed-only): только перечисляет, что было бы записано. Файл со "
         "значениями не из списков не записывается (код 3).",
         N::Unit,
         none,
         {QStringLiteral("verify"), QStringLiteral("changed-only"), QStringLiteral("dry-run")},
         1,
         1,
         run_write},
        {"diff", "FILE [FILE2]",
         "Считывает блок и перечисляет, чем он отличается от файла (код 1, если отличается). Ничего не "
         "записывает. С двумя файлами сравнивает их между собой, без блока: порт и адрес не нужны.",
         N::Unit, none, none, 1, 2, run_diff, 2},
        {"get", "PARAM [--channel K]",
         "Значение параметра канала K (по умолчанию 1), как его показывает список. PARAM: porog, usilenie, "
         "arp, "
         "impuls, pause, okno, schet, trevoga, zad, block, reject, porog_perepil, time_perepil, pred, onoff.",
         N::Unit, channel, none, 1, 1, run_get},
        {"set", "PARAM VALUE [--channel K]",
         "Задает параметр канала K значением из списка (set porog 140 --channel 2, set arp Выкл). Значение "
         "не "
         "из списка отвергается (код 2).",
         N::Unit, channel, none, 2, 2, run_set},
        {"info", "", "Адрес, версия прошивки, режимы и состояние каналов блока.", N::Unit, none, none, 0, 0,
         run_info},
        {"log",
         "[--out FILE]",
         "Протокол событий блока, как его показывает окно протокола; --out: в текстовый файл.",
         N::Unit,
         {QStringLiteral("out")},
         none,
         0,
         0,
         run_log},
        {"amplitude", "--channel K", "Амплитуда сигнала канала K за 10 с набора данных, мВ.", N::Unit,
         channel, none, 0, 0, run_amplitude},
        {"frequency", "--channel K", "Частота сигнала канала K за 5 с набора данных, Гц.", N::Unit, channel,
         none, 0, 0, run_frequency},
        {"time", "", "Время блока.", N::Unit, none, none, 0, 0, run_time},
        {"set-time", "", "Устанавливает часы блока по часам компьютера.", N::Unit, none, none, 0, 0,
         run_set_time},
        {"clear-log", "", "Удаляет протокол событий блока.", N::Unit, none, none, 0, 0, run_clear_log},
        {"test", "", "Дистанционный контроль (самопроверка блока).", N::Unit, none, none, 0, 0, run_test},
        {"level", "--channel K", "Уровень сигнала канала K, мВ.", N::Unit, channel, none, 0, 0, run_level},
        {"flash",
         "FILE [--loader]",
         "Заменяет прошивку блока файлом Intel HEX (на 4800 бод). Каждая запись файла проверяется до "
         "передачи; файл с ошибкой не передается (код 3, вторая строка называет строку файла и ошибку). "
         "--loader: блок уже ждет прошивку в загрузчике (после неудачной смены прошивки), порт открывается "
         "на 4800 бод и файл передается без обращения к блоку.",
         N::Port,
         none,
         {QStringLiteral("loader")},
         1,
         1,
         run_flash},
        {"journal", "[--address N] [--port NAME]",
         "Журнал изменений, внесенных в блоки: время, порт, адрес, версия прошивки, "
         "канал, параметр, было → стало и результат (подтверждено, отказ, нет ответа). --address, --port: "
         "только изменения этого блока, этой линии. Порт не нужен. Журнал: "
         "$XDG_DATA_HOME/mirval/journal.jsonl (не больше 10 МБ; предыдущий - journal.jsonl.1).",
         N::Nothing, none, none, 0, 0, run_journal},
        {"monitor",
         "--channel K [--count N] [--csv]",
         "Состояние канала K и уровень ВЧ каждые 300 мс до Ctrl-C (или N опросов). С --json: один документ "
         "на "
         "строку на каждый опрос. С --csv: таблица time_s,level_mV,state, как ее сохраняет окно графика "
         "уровня.",
         N::Unit,
         {QStringLiteral("channel"), QStringLiteral("count")},
         {QStringLiteral("csv")},
         0,
         0,
         run_monitor},
        {"scan",
         "[--from A --to B]",
         "Адреса (по умолчанию 1..255), на которых отвечает блок; по одному в строке.",
         N::Port,
         {QStringLiteral("from"), QStringLiteral("to")},
         none,
         0,
         0,
         run_scan},
        {"backup",
         "--dir DIR [--from A --to B]",
         "Сохраняет конфигурацию каждого блока каждой линии (--port можно задать несколько раз) в "
         "DIR/ЛИНИЯ-АДРЕС.cfg: "
         "линии опрашиваются одновременно, блоки линии по очереди. В конце таблица: линия, адрес, версия, "
         "файл или "
         "ошибка (код 1, если хотя бы один блок не сохранен).",
         N::Lines,
         {QStringLiteral("dir"), QStringLiteral("from"), QStringLiteral("to")},
         none,
         0,
         0,
         run_backup},
        {"restore",
         "--dir DIR [--verify]",
         "Записывает в блоки каждой линии их файлы DIR/ЛИНИЯ-АДРЕС.cfg (как их сохраняет backup), линии "
         "одновременно. "
         "--verify: затем считывает каждый блок и сверяет с файлом. Если хотя бы в одном файле есть значения "
         "не из списков, ничего не записывается (код 3).",
         N::Lines,
         {QStringLiteral("dir")},
         {QStringLiteral("verify")},
         0,
         0,
         run_restore},
        {"report",
         "--out FILE [--site S] [--installer NAME] [--measure] [--self-test] [--log N] [--dir DIR] [--from A "
         "--to B]",
         "Отчёт о пусконаладке, PDF (FILE.pdf, A4) или HTML (FILE.html): объект, наладчик, дата; порт, "
         "адрес, "
         "версия прошивки, часы блока и их расхождение с компьютером; режим и параметры каждого канала, как "
         "их "
         "показывает окно, с отметкой отличий от заводской настройки; кросс, задержка, блокировка; отпечаток "
         "конфигурации; изменения блока за сегодня из журнала; строки для подписей наладчика и заказчика. "
         "--measure: уровень, амплитуда и частота каждого включенного канала; --self-test: дистанционный "
         "контроль; --log N: последние N записей протокола событий. С --address - один блок; без него - все "
         "блоки каждой линии (--port можно задать несколько раз, линии одновременно), сначала сводная "
         "таблица; "
         "--dir DIR: по файлам DIR/ЛИНИЯ-АДРЕС.cfg, сохраненным backup, без блоков. Раздел, который блок не "
         "передал, назван в отчете (код 1); если блок не передал конфигурацию, отчет не записывается.",
         N::UnitOrLines,
         {QStringLiteral("out"), QStringLiteral("site"), QStringLiteral("installer"), QStringLiteral("log"),
          QStringLiteral("dir"), QStringLiteral("from"), QStringLiteral("to")},
         {QStringLiteral("measure"), QStringLiteral("self-test")},
         0,
         0,
         run_report},
    };
    return table;
}

}  // namespace cli
