#include "reference.h"

#include "channels/list_texts.h"
#include "common/version.h"
#include "help.h"

#include <QRegularExpression>

namespace cli {

namespace {

// Text as roff shows it: backslashes and hyphens escaped, no line that starts
// with a control character.
QString roff(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    text.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.startsWith(QLatin1Char('.')) || line.startsWith(QLatin1Char('\'')))
            line.prepend(QStringLiteral("\\&"));
    return lines.join(QLatin1Char('\n'));
}

QString bold(const QString &text)
{
    return QStringLiteral("\\fB") + roff(text) + QStringLiteral("\\fR");
}

// The option names a command takes, with "--".
QStringList option_words(const Command &c)
{
    QStringList words;
    for (const QString &o : c.value_options + c.flag_options)
        words << QStringLiteral("--") + o;
    words << QStringLiteral("--help");
    return words;
}

// Shell words in single quotes.
QString quoted(const QString &text)
{
    QString q = text;
    q.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

}  // namespace

QString man_page(const QString &date)
{
    QStringList m;
    m << QStringLiteral(".TH MIRVAL\\-CLI 1 \"%1\" \"mirval\\-cli %2\" \"МИРВАЛ-В Пульт\"")
             .arg(date, program_version());
    m << QStringLiteral(".SH NAME")
      << QStringLiteral("mirval\\-cli \\- операции пульта МИРВАЛ\\-В из командной строки");
    m << QStringLiteral(".SH SYNOPSIS") << QStringLiteral(".B mirval\\-cli")
      << QStringLiteral(
             "[\\fB\\-\\-json\\fR] [\\fB\\-\\-port\\fR \\fINAME\\fR \\fB\\-\\-address\\fR \\fIN\\fR "
             "[\\fB\\-\\-speed\\fR \\fIBAUD\\fR]] \\fICOMMAND\\fR ...")
      << QStringLiteral(".br") << QStringLiteral(".B mirval\\-cli")
      << QStringLiteral("\\fICOMMAND\\fR \\fB\\-\\-help\\fR") << QStringLiteral(".br")
      << QStringLiteral(".B mirval\\-cli \\-\\-version");
    m << QStringLiteral(".SH DESCRIPTION")
      << roff(QStringLiteral(
             "mirval-cli выполняет операции окна mirval-pult над блоком МИРВАЛ-В, подключенным к "
             "последовательному порту: одна команда за запуск. Результаты идут на стандартный "
             "вывод, сообщения программы - на стандартный вывод ошибок."));
    for (const QString &note : general_notes())
        m << QStringLiteral(".PP") << roff(note);
    m << QStringLiteral(".SH COMMANDS");
    for (const Command &c : commands()) {
        const QStringList help = command_help(c).split(QLatin1Char('\n'));
        m << QStringLiteral(".TP") << bold(help.value(0).trimmed()) << roff(help.mid(1).join(' ').trimmed());
    }
    m << QStringLiteral(".SH ENVIRONMENT") << QStringLiteral(".TP")
      << bold(QStringLiteral("MIRVAL_CLI_TRACE"))
      << roff(QStringLiteral(
             "1: журнал обмена с блоком (каждый запрос и ответ) на стандартном выводе ошибок."))
      << QStringLiteral(".TP") << bold(QStringLiteral("QT_LOGGING_RULES"))
      << roff(QStringLiteral("Правила журнала Qt: когда заданы, выводится все, что они включают, также "
                             "сообщения самой библиотеки Qt."))
      << QStringLiteral(".TP") << bold(QStringLiteral("XDG_RUNTIME_DIR"))
      << roff(QStringLiteral("Каталог виртуальных портов имитатора mirval-sim: $XDG_RUNTIME_DIR/mirval/ports "
                             "(без него /tmp/runtime-<пользователь>)."));
    m << QStringLiteral(".SH EXAMPLES") << QStringLiteral(".nf")
      << roff(QStringLiteral("mirval-cli ports\n"
                             "mirval-cli --port ttyUSB0 --address 7 read unit-7.xml\n"
                             "mirval-cli --port /dev/ttyUSB0 --address 7 set porog 140 --channel 2\n"
                             "mirval-cli --port ttyUSB0 scan --from 1 --to 20"))
      << QStringLiteral(".fi");
    m << QStringLiteral(".SH SEE ALSO")
      << QStringLiteral("\\fBmirval\\-pult\\fR(1), \\fBmirval\\-sim\\fR(1)");
    return m.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString bash_completion()
{
    QStringList names, cases, params, values;
    for (const Command &c : commands()) {
        names << QString::fromLatin1(c.name);
        const QString usage = QString::fromUtf8(c.usage);
        QString positional = QStringLiteral("none");
        if (usage.startsWith(QLatin1String("FILE")))
            positional = QStringLiteral("file");
        else if (usage.startsWith(QLatin1String("PARAM VALUE")))
            positional = QStringLiteral("param value");
        else if (usage.startsWith(QLatin1String("PARAM")))
            positional = QStringLiteral("param");
        cases << QStringLiteral("        %1) options=%2; positional=%3 ;;")
                     .arg(QString::fromLatin1(c.name), quoted(option_words(c).join(' ')), quoted(positional));
    }
    for (int i = 0; i < lists::ListCount; ++i) {
        const auto list = lists::List(i);
        const QString name = QString::fromLatin1(lists::list_info(list).name);
        params << name;
        values << QStringLiteral("        %1) printf '%s\\n' %2 ;;").arg(name, [&] {
            QStringList q;
            for (const QString &t : lists::list_texts(list))
                q << quoted(t);
            return q.join(' ');
        }());
    }

    QString script = QStringLiteral(R"SH(# bash completion for mirval-cli, made from its command table.

_mirval_cli_values()
{
    case $1 in
@VALUES@
    esac
}

_mirval_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local IFS=$'\n'
    COMPREPLY=()
    case $prev in
        --port)
            if [[ $cur == /* ]]; then
                COMPREPLY=($(compgen -f -- "$cur"))
            else
                COMPREPLY=($(compgen -W "$(mirval-cli ports 2>/dev/null | cut -f1)" -- "$cur"))
            fi
            return ;;
        --speed) COMPREPLY=($(compgen -W $'4800\n9600\n19200\n38400\n57600\n115200' -- "$cur")); return ;;
        --channel) COMPREPLY=($(compgen -W $'1\n2\n3\n4' -- "$cur")); return ;;
        --out) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --address|--count|--from|--to) return ;;
    esac

    # The command and the positional words after it; options that take a
    # value skip it.
    local command="" words=() i w
    for ((i = 1; i < COMP_CWORD; i++)); do
        w=${COMP_WORDS[i]}
        case $w in
            --port|--address|--speed|--channel|--count|--from|--to|--out) ((i++)) ;;
            -*) ;;
            *) if [[ -z $command ]]; then command=$w; else words+=("$w"); fi ;;
        esac
    done

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W $'--port\n--address\n--speed\n--json\n--help\n--version' -- "$cur"))
        else
            COMPREPLY=($(compgen -W $'@COMMANDS@' -- "$cur"))
        fi
        return
    fi

    local options="" positional=none
    case $command in
@CASES@
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "${options// /$'\n'}" -- "$cur"))
        return
    fi
    case "$positional:${#words[@]}" in
        file:0) COMPREPLY=($(compgen -f -- "$cur")) ;;
        param:0|"param value:0") COMPREPLY=($(compgen -W $'@PARAMS@' -- "$cur")) ;;
        "param value:1") COMPREPLY=($(compgen -W "$(_mirval_cli_values "${words[0]}")" -- "$cur")) ;;
    esac
}
complete -F _mirval_cli mirval-cli
)SH");
    script.replace(QStringLiteral("@VALUES@"), values.join(QLatin1Char('\n')));
    script.replace(QStringLiteral("@CASES@"), cases.join(QLatin1Char('\n')));
    script.replace(QStringLiteral("@COMMANDS@"), names.join(QStringLiteral("\\n")));
    script.replace(QStringLiteral("@PARAMS@"), params.join(QStringLiteral("\\n")));
    return script;
}

}  // namespace cli
