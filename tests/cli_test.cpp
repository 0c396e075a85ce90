// pierqty-cli tested through its process, as scripts use it.
#include "tests/cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using CliRun = pierqty::test::ProcessRun;

using CliSetting = pierqty::test::RunSetting;

CliRun Cli(const std::vector<std::string> &args, const std::string &input = "", const CliSetting &setting = {})
{
    return pierqty::test::RunProgram(PIERQTY_CLI, args, input, setting);
}

using pierqty::test::LfLines;

TEST(Cli, DefaultPier)
{
    const CliRun run = Cli({});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.find('\r'), std::string::npos);
    const auto lines = LfLines(run.out);
    ASSERT_EQ(lines.size(), 1004u);
    EXPECT_EQ(lines[0], "S= 64.190447 m2");
    EXPECT_EQ(lines[1], "V= 38.653440 m3");
    EXPECT_EQ(lines[2], " \u5355\u5c42\u9ad8 = 0.003000 m");
    EXPECT_EQ(lines[1003], " S1000 = 11.860113 m2");
    EXPECT_EQ(run.out.back(), '\n');
}

TEST(Cli, JsonHoldsEveryQuantityExactly)
{
    const CliRun run = Cli({"--json", "n=10"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["parameters"]["n"], 10);
    EXPECT_EQ(json["parameters"]["H1"].get<double>(), 3.0);
    // Doubles round-trip: the totals come back bit for bit.
    EXPECT_EQ(json["quantities"]["S"].get<double>(), 0x1.0476440ee4d4bp+6);
    EXPECT_EQ(json["quantities"]["V"].get<double>(), 0x1.35a208889758cp+5);
    EXPECT_FALSE(json["quantities"].contains("Layers"));
    // (Each part under its name: bill_readback.py reads them into the workbook's.)
    ASSERT_EQ(json["layers"].size(), 10u);
    EXPECT_EQ(json["layers"][9]["i"], 10);
    EXPECT_EQ(json["layers"][9]["y"].get<double>(), 3.0);
    EXPECT_EQ(json["texts"]["areaText"], "65.115494 m2");
    const std::string report = json["texts"]["report"];
    EXPECT_NE(report.find(" S0 = 4.360000 m2\r\n S1 = "), std::string::npos);
}

TEST(Cli, FaultsExitTwoAndNameTheirKind)
{
    const CliRun plain = Cli({"n=0"});
    EXPECT_EQ(plain.status, 2);
    EXPECT_EQ(plain.out, "");
    EXPECT_NE(plain.err.find("DivisionByZero"), std::string::npos) << plain.err;

    // A negative layer count stops: it would leave the flare out of S and V.
    const CliRun negative = Cli({"n=-1"});
    EXPECT_EQ(negative.status, 2);
    EXPECT_EQ(negative.out, "");
    EXPECT_NE(negative.err.find("InvalidArgument: the layer count n = -1"), std::string::npos) << negative.err;
    EXPECT_EQ(negative.err.find("warning"), std::string::npos) << negative.err;

    const CliRun json = Cli({"--json", "h=5"});
    EXPECT_EQ(json.status, 2);
    const auto object = nlohmann::json::parse(json.out);
    EXPECT_EQ(object["fault"], "InvalidArgument");
    EXPECT_NE(object["message"].get<std::string>().find("R1 = 4.488"), std::string::npos);

    // Invalid UTF-8 in a text cannot break the JSON.
    const CliRun bytes = Cli({"--json", "--lenient",
                              "n=4\xff\xfe"
                              "0000"});
    EXPECT_EQ(bytes.status, 0) << bytes.err;
    EXPECT_TRUE(nlohmann::json::accept(bytes.out));
    const CliRun overflow = Cli({"--json", "L2=9e999\xff"});
    EXPECT_EQ(overflow.status, 2);
    EXPECT_EQ(nlohmann::json::parse(overflow.out)["fault"], "Overflow");
}

TEST(Cli, UsageErrorsExit64)
{
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"x=1"}, {"L1"}, {"--bogus"}, {"l1=1", "l1=2"}, {"N=5"}, {"--csv", "--exact"}}) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 64) << args[0];
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(run.err.empty());
    }
    // "N" is no parameter: the message lists the eleven that are.
    EXPECT_NE(Cli({"N=5"}).err.find("(one of L1 R1 L2 R2 H1 H2 h l1 l2 l3 n)"), std::string::npos);
    const CliRun help = Cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("NAME=TEXT"), std::string::npos);
    const CliRun version = Cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("1.00"), std::string::npos);
}

#ifndef _WIN32
TEST(Cli, HelpAndVersionThatCannotBeWrittenExit74)
{
    for (const char *flag : {"--help", "--version"}) {
        const CliRun run = Cli({flag}, "", {"", "/dev/full"});
        EXPECT_EQ(run.status, 74) << flag;
        EXPECT_NE(run.err.find("writing the output"), std::string::npos) << run.err;
    }
    EXPECT_EQ(Cli({"n=10"}, "", {"", "/dev/full"}).status, 74);
}
#endif

TEST(Cli, WarnsHowImproperTextsWereRead)
{
    const CliRun run = Cli({"--lenient", "l3=", "H2=0.5m", "n=2.5", "L1=\uff12\uff0e\uff15", "H1=3\u30020"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("l3: \"\" holds no number"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("H2: \"0.5m\" read as 0.5"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("rounded to 2"), std::string::npos) << run.err;
    EXPECT_EQ(LfLines(run.out).size(), 6u);
}

// What a script can rely on: a text is a number or the run stops (65), a
// reader that leaves a pipe early ends it quietly, and --bom.
TEST(CliStrict, TextsThatAreNotWhollyANumberExit65)
{
    for (const std::vector<std::string> &args : {std::vector<std::string>{"L1=2,5"},
                                                 {"L1=abc"},
                                                 {"l3="},
                                                 {"--json", "H2=0.5m"},
                                                 {"--csv", "n=10x"},
                                                 {"--sheet", "-", "L1=2\uff0c5"}}) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 65) << args.back();
        EXPECT_EQ(run.out, "") << args.back();
        const std::string name = args.back().substr(0, args.back().find('='));
        const std::string text = args.back().substr(args.back().find('=') + 1);
        EXPECT_NE(run.err.find("not a number: " + name + " = \"" + text + "\""), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("--lenient"), std::string::npos) << run.err;
    }
    // Every such parameter is named; a control byte cannot reach the
    // terminal, and a long text is cut short.
    const CliRun both = Cli({"L1=2,5", "H2=\x1b]2;title\x07" + std::string(100000, '5'), "n=10"});
    EXPECT_EQ(both.status, 65);
    EXPECT_NE(both.err.find("L1 = \"2,5\", H2 = \"\\x1B]2;title\\x07555"), std::string::npos) << both.err;
    EXPECT_EQ(both.err.find('\x1b'), std::string::npos);
    EXPECT_LT(both.err.size(), 300u);
    // A broken UTF-8 sequence cannot carry a control byte through either,
    // and a C1 control (CSI, U+009B) is escaped as the bytes it came in.
    const CliRun broken = Cli({"H2=\xc3\x1b[2J\xc2\x9b"
                               "2J"});
    EXPECT_EQ(broken.status, 65);
#ifdef _WIN32
    const std::string lead = "\ufffd"; // an argument travels as UTF-16, which has no broken sequence
#else
    const std::string lead = "\\xC3";
#endif
    EXPECT_NE(broken.err.find("H2 = \"" + lead + "\\x1B[2J\\xC2\\x9B2J\""), std::string::npos) << broken.err;

    // A number beyond a double's range is the calculation's Overflow still.
    EXPECT_EQ(Cli({"L1=1e999"}).status, 2);

    // --lenient reads as the window does, and says so.
    const CliRun lenient = Cli({"--lenient", "L1=2,5"});
    EXPECT_EQ(lenient.status, 0) << lenient.err;
    EXPECT_EQ(lenient.out, Cli({"L1=2"}).out);
    EXPECT_NE(lenient.err.find("L1: \"2,5\" read as 2"), std::string::npos) << lenient.err;
    // A batch holds its cells to be numbers: --lenient has no place there.
    EXPECT_EQ(Cli({"--batch", "-", "--lenient"}, "id\nA\n").status, 64);
}

TEST(CliStrict, SheetOfATextNotReadAsWritten)
{
    const std::string path = testing::TempDir() + "pierqty_strict_sheet.html";
    std::remove(path.c_str());
    const CliRun strict = Cli({"--sheet", path, "H2=0.5m"});
    EXPECT_EQ(strict.status, 65) << strict.err;
    EXPECT_FALSE(std::ifstream(path).good()) << "no sheet for a text that is not a number";
    const CliRun lenient = Cli({"--sheet", path, "--lenient", "H2=0.5m"});
    ASSERT_EQ(lenient.status, 0) << lenient.err;
    EXPECT_NE(pierqty::test::ReadFileBytes(path).find("\u203b H2\uff1a\u201c0.5m\u201d"), std::string::npos);
    std::remove(path.c_str());

    // An empty name is no name, as for --batch.
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--sheet", ""}, {"--batch", "-", "--sheet", ""}}) {
        const CliRun run = Cli(args, "id\nA\n");
        EXPECT_EQ(run.status, 64) << args.size();
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("--sheet needs a"), std::string::npos) << run.err;
    }
}

TEST(CliStrict, ReaderThatLeavesThePipeEndsItQuietly)
{
    CliSetting pipe;
    pipe.closedPipe = true;
    const std::string batch = [] {
        std::string rows = "id,n\n";
        for (int k = 0; k < 5000; ++k) {
            rows += 'P';
            rows += std::to_string(k);
            rows += ",1\n";
        }
        return rows;
    }();
    // Each output is far more than a pipe holds, so the reader leaves first.
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"n=32767"}, {"--exact", "n=32767"}, {"--csv", "n=32767"}, {"--batch", "-"}}) {
        const CliRun run = Cli(args, batch, pipe);
#ifdef _WIN32
        // No SIGPIPE: the failed write ends the run, without a message.
        EXPECT_EQ(run.status, 74) << args[0];
#else
        // Killed by SIGPIPE, as `cat` and `seq` are: the shell sees 128 + 13.
        EXPECT_EQ(run.status, 141) << args[0];
        EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << args[0];
#endif
        EXPECT_EQ(run.err, "") << args[0];
    }
#ifndef _WIN32
    // With SIGPIPE ignored (a parent may do so) the write fails with EPIPE:
    // 74, and still no message.
    pipe.environment = "trap '' PIPE;";
    const CliRun ignored = Cli({"n=32767"}, "", pipe);
    EXPECT_EQ(ignored.status, 74);
    EXPECT_EQ(ignored.err, "");
    EXPECT_EQ(ignored.out, "S= 64.181718 m2\n");
    // A full disk is no reader that left: 74 with the reason.
    const CliRun full = Cli({"--bom", "n=1"}, "", {"", "/dev/full"});
    EXPECT_EQ(full.status, 74);
    EXPECT_NE(full.err.find("writing the output: No space left"), std::string::npos) << full.err;
#endif
}

TEST(CliStrict, ByteOrderMarkOnRequest)
{
    const std::string bom = "\xEF\xBB\xBF";
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"n=7"}, {"--exact", "n=7"}, {"--csv", "n=7"}, {"--batch", "-", "n=7"}}) {
        std::vector<std::string> marked = args;
        marked.insert(marked.begin(), "--bom");
        const CliRun plain = Cli(args, "id,L1\nA,2.5\nB,3\n");
        const CliRun run = Cli(marked, "id,L1\nA,2.5\nB,3\n");
        EXPECT_EQ(run.status, 0) << args[0] << run.err;
        EXPECT_EQ(plain.out.rfind(bom, 0), std::string::npos) << args[0] << ": none unless asked";
        EXPECT_EQ(run.out, bom + plain.out) << args[0];
    }
    // Nothing written, no mark: a stopped calculation leaves stdout empty.
    const CliRun stopped = Cli({"--bom", "n=0"});
    EXPECT_EQ(stopped.status, 2);
    EXPECT_EQ(stopped.out, "");
    // JSON takes no byte order mark (RFC 8259), and a sheet names its encoding.
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--bom", "--json"}, {"--bom", "--sheet", "-"}}) {
        const CliRun refused = Cli(args);
        EXPECT_EQ(refused.status, 64) << args[1];
        EXPECT_EQ(refused.out, "");
        EXPECT_NE(refused.err.find("--bom"), std::string::npos) << refused.err;
    }
}

TEST(CliExact, BesideTheLayeredFigures)
{
    const CliRun text = Cli({"--exact"});
    ASSERT_EQ(text.status, 0) << text.err;
    const auto lines = LfLines(text.out);
    ASSERT_EQ(lines.size(), 1004u + 11u);
    EXPECT_NE(text.out.find("true S                         65.678375 m2   layered 64.190447 m2   -2.26"),
              std::string::npos)
        << text.out.substr(text.out.size() - 1200);
    // Sides too far out to flare: a prism, where both methods agree exactly
    // and the difference is signed all the same.
    const CliRun prism = Cli({"--exact", "n=10", "R1=1e100", "R2=1e100"});
    EXPECT_NE(prism.out.find("  V                              28.340000 m3   layered 28.340000 m3   +0.000000 %\n"),
              std::string::npos)
        << prism.out.substr(prism.out.size() - 900);

    const CliRun json = Cli({"--json", "--exact"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto exact = nlohmann::json::parse(json.out)["exact"];
    for (const char *key : {"FlareVolume", "V", "ProjectedFlareFormwork", "TrueFlareFormwork", "EndFaces",
                            "GroovedFaces", "GrooveWalls", "Chamfers", "ProjectedS", "S"})
        EXPECT_TRUE(exact.contains(key)) << key;
    EXPECT_NEAR(exact["S"].get<double>(), 65.6783754864, 1e-9);

    // Where they do not apply, one whole line says why.
    const CliRun reason = Cli({"--exact", "l1=2"});
    EXPECT_EQ(reason.status, 0);
    EXPECT_TRUE(reason.out.ends_with(" S1000 = 3.880113 m2\nExact quantities: not applicable: the chamfers do not fit "
                                     "the end faces (L2 - 2 l1 < 0)\n"))
        << reason.out.substr(reason.out.size() - 200);

    const CliRun outside = Cli({"--json", "--exact", "l1=2"});
    ASSERT_EQ(outside.status, 0) << outside.err;
    EXPECT_NE(nlohmann::json::parse(outside.out)["exact"]["notApplicable"].get<std::string>().find("L2 - 2 l1"),
              std::string::npos);
}

TEST(CliCsv, OneRowPerLayerWithRunningSums)
{
    const CliRun run = Cli({"--csv", "n=200"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // Chamfers wider than the end faces: the layers without their true areas, and why.
    const CliRun wide = Cli({"--csv", "l1=2"});
    EXPECT_EQ(wide.status, 0);
    EXPECT_NE(wide.err.find("true areas not applicable: the chamfers do not fit"), std::string::npos) << wide.err;
    const auto lines = LfLines(run.out);
    ASSERT_EQ(lines.size(), 201u);
    EXPECT_EQ(lines[0],
              "i,y_i,S_i,outline_i,layer_volume,layer_formwork,layer_true_formwork,cumulative_volume,"
              "cumulative_true_formwork");
    std::vector<std::string> last;
    std::istringstream fields(lines.back());
    for (std::string field; std::getline(fields, field, ',');)
        last.push_back(field);
    ASSERT_EQ(last.size(), 9u);
    EXPECT_EQ(last[0], "200");
    EXPECT_EQ(std::stod(last[1]), 3.0);
    // The running sums end at the flare's totals.
    const auto json = nlohmann::json::parse(Cli({"--json", "--exact", "n=200"}).out);
    EXPECT_NEAR(std::stod(last[7]), json["quantities"]["FlareVolume"].get<double>(), 1e-9);
    EXPECT_NEAR(std::stod(last[8]), json["exact"]["TrueFlareFormwork"].get<double>(), 1e-9);
}

TEST(CliBatch, RowsFaultsAndTotals)
{
    const CliRun run = Cli({"--batch", "-"}, "n, id ,h\n1000,P1,3\n0,P2,3\n\n10,\"P,3\",3\n1000,P4,6\n");
    // Every row and TOTAL are written; a pier that stopped makes the exit 2.
    ASSERT_EQ(run.status, 2) << run.err;
    const auto lines = LfLines(run.out);
    ASSERT_EQ(lines.size(), 6u) << run.out;
    EXPECT_EQ(lines[0], "id,S,V,true_S,exact_V,projected_S,fault");
    EXPECT_EQ(lines[1].rfind("P1,64.19044684914253,38.65343990081633,65.678375", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("P2,,,,,,\"DivisionByZero:", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind("\"P,3\",65.11549399635003,", 0), 0u) << lines[3];
    EXPECT_NE(lines[4].find("InvalidArgument"), std::string::npos);
    EXPECT_EQ(lines[5].rfind("TOTAL,129.30594084549256,", 0), 0u) << lines[5];
    EXPECT_NE(lines[5].find(",sums over 2 of 4 piers (2 stopped)"), std::string::npos) << lines[5];
    EXPECT_NE(run.err.find("2 of 4"), std::string::npos);

    // A file saved with CR LF line ends reads the same, its last column too.
    const CliRun crlf = Cli({"--batch", "-"}, "n,id\r\n10,A\r\n");
    const auto crlfLines = LfLines(crlf.out);
    ASSERT_EQ(crlfLines.size(), 3u) << crlf.out;
    EXPECT_EQ(crlfLines[1].rfind("A,65.11549399635003,", 0), 0u) << crlf.out;

    // Parameters not named keep the defaults, which NAME=TEXT may change.
    const CliRun defaults = Cli({"--batch", "-", "n=10"}, "id\nA\n");
    EXPECT_EQ(LfLines(defaults.out)[1].rfind("A,65.11549399635003,", 0), 0u) << defaults.out;
    // Every pier summed: exit 0, TOTAL's fault cell empty, and no warning.
    EXPECT_EQ(defaults.status, 0);
    EXPECT_TRUE(defaults.out.ends_with(",64.18144332970796,\n")) << defaults.out;
    EXPECT_EQ(defaults.err, "");
}

TEST(CliBatch, APierThatCannotBeBuiltIsAFaultOutOfTotal)
{
    // B and E cannot be built: their figures are left empty, the fault cell
    // names the reason (each reason's wording: calc and the sheet's tests),
    // TOTAL sums A alone, and the exit is 2.
    const CliRun run = Cli({"--batch", "-"}, "id,L1,l1\nA,,\nB,-1,\nE,,1\n");
    ASSERT_EQ(run.status, 2) << run.err;
    const auto lines = LfLines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    EXPECT_EQ(lines[1], "A,64.19044684914253,38.65343990081633,65.6783754863722,38.65343482729694,64.18144332970796,");
    EXPECT_EQ(lines[2].rfind("B,,,,,,\"NotBuildable: L1 = -1 is not positive: ", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind("E,,,,,,\"NotBuildable: the chamfers do not fit the end faces (L2 - 2 l1 < 0); the "
                             "chamfers and the groove do not fit the grooved faces",
                             0),
              0u)
        << lines[3];
    EXPECT_EQ(lines[4],
              "TOTAL,64.19044684914253,38.65343990081633,65.6783754863722,38.65343482729694,64.18144332970796,"
              "sums over 1 of 3 piers (2 stopped)");
    EXPECT_NE(run.err.find("sums over 1 of 3 piers"), std::string::npos) << run.err;
}

// One pier that cannot be built keeps the figures the formulas give, with a
// warning that names the parameter and the reason; --json says buildable.
TEST(Cli, APierThatCannotBeBuiltIsWarnedAboutAndJsonSaysWhy)
{
    const CliRun run = Cli({"L1=-1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(LfLines(run.out).at(1), "V= -5.958289 m3");
    EXPECT_EQ(run.err,
              "warning: NotBuildable: L1 = -1 is not positive: a pier of these dimensions cannot be built, and its "
              "figures are not quantities. Correct the parameters.\n");

    const auto json = nlohmann::json::parse(Cli({"--json", "l1=1"}).out);
    EXPECT_EQ(json["buildable"], false);
    ASSERT_EQ(json["reasons"].size(), 2u);
    EXPECT_EQ(json["reasons"][0]["parameters"], nlohmann::json({"L2", "l1"}));
    EXPECT_EQ(json["reasons"][0]["message"], "the chamfers do not fit the end faces (L2 - 2 l1 < 0)");
    EXPECT_EQ(json["reasons"][0]["messageZh"], "倒角放不下端面（L2 − 2l1 < 0）");
    EXPECT_EQ(json["reasons"][1]["parameters"], nlohmann::json({"L1", "l1", "l2", "l3"}));
    const auto negative = nlohmann::json::parse(Cli({"--json", "h=-3", "H2=-1"}).out);
    EXPECT_EQ(negative["reasons"].size(), 2u); // every negative length, in the order of the fields
    EXPECT_EQ(negative["reasons"][1]["parameters"], nlohmann::json({"h"}));

    const CliRun valid = Cli({"--json", "n=10"});
    EXPECT_EQ(valid.err, "");
    const auto ok = nlohmann::json::parse(valid.out);
    EXPECT_EQ(ok["buildable"], true);
    EXPECT_FALSE(ok.contains("reasons"));
}

TEST(CliBatch, CellsAreNumbersOrBlank)
{
    // A blank cell takes the default, as a missing column does.
    const CliRun blank = Cli({"--batch", "-", "n=10"}, "id,n,L1\nA,,2.5\nB,1000, \n");
    ASSERT_EQ(blank.status, 0) << blank.err;
    const auto rows = LfLines(blank.out);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].rfind("A,65.11549399635003,", 0), 0u) << rows[1];
    EXPECT_EQ(rows[2].rfind("B,64.19044684914253,", 0), 0u) << rows[2];

    // A cell that is not wholly a number leaves its row's figures empty and
    // stays out of TOTAL (controls in a cell: batch_test's NoByteOfTheFile...).
    const CliRun junk = Cli({"--batch", "-"}, "id,L1,n\nA,\"2,5\",10\nC,abc,10\nE, 2.5 ,10\n");
    EXPECT_EQ(junk.status, 2) << junk.err;
    const auto lines = LfLines(junk.out);
    ASSERT_EQ(lines.size(), 5u) << junk.out;
    EXPECT_EQ(lines[1], "A,,,,,,\"NotANumber: L1 = \"\"2,5\"\" is not a number\"");
    EXPECT_EQ(lines[2], "C,,,,,,\"NotANumber: L1 = \"\"abc\"\" is not a number\"");
    EXPECT_EQ(lines[3].rfind("E,65.11549399635003,", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4].rfind("TOTAL,65.11549399635003,", 0), 0u) << lines[4];
    EXPECT_NE(lines[4].find("sums over 1 of 3 piers (2 stopped)"), std::string::npos) << lines[4];

    // A default that cannot be read, or is no number, spoils every row: usage error.
    for (const char *assignment : {"n=1e309", "n=40000", "L1=2,5", "h="}) {
        const CliRun run = Cli({"--batch", "-", assignment}, "id\nA\n");
        EXPECT_EQ(run.status, 64) << assignment;
        EXPECT_EQ(run.out, "") << assignment;
        EXPECT_NE(run.err.find("default"), std::string::npos) << run.err;
    }
}

TEST(CliBatch, FilesThatCannotBeRead)
{
    // A directory is not an empty batch.
    const CliRun directory = Cli({"--batch", testing::TempDir()});
    EXPECT_EQ(directory.status, 66);
    EXPECT_NE(directory.err.find("cannot read"), std::string::npos) << directory.err;
    EXPECT_EQ(directory.out, "");

    const CliRun unnamed = Cli({"--batch", ""});
    EXPECT_EQ(unnamed.status, 64);
    EXPECT_NE(unnamed.err.find("--batch needs a file name"), std::string::npos) << unnamed.err;
}

#ifdef PIERQTY_READ_FAULT
}
#include <unistd.h>
namespace {
// read() made to fail with EIO by a preloaded library, as on a failing disk.
CliSetting ReadFaultAfter(std::size_t bytes)
{
    return {"ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=" + pierqty::test::ShellQuote(PIERQTY_READ_FAULT) +
                " PIERQTY_READ_FAULT_AFTER=" + std::to_string(bytes),
            ""};
}

TEST(CliBatch, ReadErrorStopsWithTheLineReached)
{
    std::string input = "id,n\n";
    for (int k = 1; k <= 2000; ++k) {
        input += 'P';
        input += std::to_string(k);
        input += std::string(60, '-'); // long ids: a large file of few piers
        input += ",1\n";
    }
    ASSERT_GT(input.size(), 100000u);
    const std::string path = testing::TempDir() + "pierqty_read_fault_" + std::to_string(::getpid()) + ".csv";
    std::ofstream(path, std::ios::binary) << input;
    ASSERT_EQ(Cli({"--batch", path}).status, 0);

    // The line that the first 64 KiB end in.
    const std::string reached = input.substr(0, 65536);
    const auto line = std::count(reached.begin(), reached.end(), '\n') + 1;
    const CliRun file = Cli({"--batch", path}, "", ReadFaultAfter(65536));
    EXPECT_EQ(file.status, 66) << file.err;
    EXPECT_EQ(file.out, "");
    EXPECT_NE(file.err.find("failed at line " + std::to_string(line) + ": Input/output error"), std::string::npos)
        << file.err;
    const CliRun standardInput = Cli({"--batch", "-"}, input, ReadFaultAfter(65536));
    EXPECT_EQ(standardInput.status, 66) << standardInput.err;
    EXPECT_EQ(standardInput.out, "");
    EXPECT_NE(standardInput.err.find("standard input failed at line " + std::to_string(line)), std::string::npos)
        << standardInput.err;

    // A read that fails at once is "cannot read", not an empty batch.
    const CliRun first = Cli({"--batch", path}, "", ReadFaultAfter(0));
    EXPECT_EQ(first.status, 66);
    EXPECT_EQ(first.out, "");
    EXPECT_NE(first.err.find("cannot read"), std::string::npos) << first.err;
    std::remove(path.c_str());

    // A read interrupted by a signal is tried again and the batch read whole;
    // the end of the input still ends it (timeout stops a run that loops).
    const std::string small = testing::TempDir() + "pierqty_read_interrupt_" + std::to_string(::getpid()) + ".csv";
    std::ofstream(small, std::ios::binary) << "id,n\nA,10\nB,20\n";
    CliSetting interrupted = ReadFaultAfter(8);
    interrupted.environment += " PIERQTY_READ_FAULT_INTERRUPT=1 timeout 60";
    const CliRun resumed = Cli({"--batch", small}, "", interrupted);
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(resumed.out, Cli({"--batch", small}).out);
    std::remove(small.c_str());
}
#endif

TEST(CliBatch, MalformedFilesStopWithTheLine)
{
    const struct {
        const char *input;
        const char *message;
    } cases[] = {{"id,n,Lx\n1,2,3\n", "line 1: unknown column 'Lx'"},
                 {"n,n\n1,2\n", "line 1: column 'n' appears twice"},
                 {"id,n\nA,10\nB,10,3\n", "line 3: 3 fields where the header names 2"},
                 {"id,n\n\"A,10\n", "line 2: a quoted field is not closed"},
                 {"id,n\nA,10\np\"1\",10\n", "line 3: a quote inside a field that does not start with one"},
                 {"id,n\n\"p\"1,10\n", "line 2: text after the closing quote of a field"},
                 {"id\tn\n\"a\nb\" ,10\n", "line 3: text after the closing quote of a field"},
                 {"", "empty"}};
    for (const auto &c : cases) {
        const CliRun run = Cli({"--batch", "-"}, c.input);
        EXPECT_EQ(run.status, 65) << c.input;
        EXPECT_EQ(run.out, "") << c.input;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(Cli({"--batch", "/nonexistent/piers.csv"}).status, 66);
    EXPECT_EQ(Cli({"--batch", "-", "--json"}).status, 64);
    // A header and no piers: totals of nothing.
    const CliRun none = Cli({"--batch", "-"}, "id,n\n");
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(LfLines(none.out).size(), 2u);
}

} // namespace
