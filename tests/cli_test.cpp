// pierqty-cli tested through its process, as scripts use it.
#include "tests/cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace {

using CliRun = pierqty::test::ProcessRun;

CliRun Cli(const std::vector<std::string> &args, const std::string &input = "")
{
    return pierqty::test::RunProgram(PIERQTY_CLI, args, input);
}

std::vector<std::string> LfLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

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
    EXPECT_EQ(json["quantities"].size(), 13u);
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

    const CliRun json = Cli({"--json", "h=5"});
    EXPECT_EQ(json.status, 2);
    const auto object = nlohmann::json::parse(json.out);
    EXPECT_EQ(object["fault"], "InvalidArgument");
    EXPECT_NE(object["message"].get<std::string>().find("R1 = 4.488"), std::string::npos);

    // Invalid UTF-8 in a text cannot break the JSON.
    const CliRun bytes = Cli({"--json",
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
         {std::vector<std::string>{"x=1"}, {"L1"}, {"--bogus"}, {"l1=1", "l1=2"}, {"N=5"}}) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 64) << args[0];
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(run.err.empty());
    }
    const CliRun help = Cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("NAME=TEXT"), std::string::npos);
    const CliRun version = Cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("1.00"), std::string::npos);
}

TEST(Cli, WarnsHowImproperTextsWereRead)
{
    const CliRun run = Cli({"l3=", "H2=0.5m", "n=2.5", "L1=\uff12\uff0e\uff15"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("L1"), std::string::npos) << "full-width digits are a proper number";
    EXPECT_NE(run.err.find("l3: \"\" holds no number"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("H2: \"0.5m\" read as 0.5"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("rounded to 2"), std::string::npos) << run.err;
    EXPECT_NE(Cli({"n=-1"}).err.find("leave out the flared part"), std::string::npos);
    EXPECT_EQ(LfLines(run.out).size(), 6u);
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

    const CliRun json = Cli({"--json", "--exact"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto exact = nlohmann::json::parse(json.out)["exact"];
    for (const char *key : {"FlareVolume", "V", "ProjectedFlareFormwork", "TrueFlareFormwork", "EndFaces",
                            "GroovedFaces", "GrooveWalls", "Chamfers", "ProjectedS", "S"})
        EXPECT_TRUE(exact.contains(key)) << key;
    EXPECT_NEAR(exact["S"].get<double>(), 65.6783754864, 1e-9);

    const CliRun outside = Cli({"--json", "--exact", "l1=2"});
    ASSERT_EQ(outside.status, 0) << outside.err;
    EXPECT_NE(nlohmann::json::parse(outside.out)["exact"]["notApplicable"].get<std::string>().find("L2 - 2 l1"),
              std::string::npos);
}

TEST(CliCsv, OneRowPerLayerWithRunningSums)
{
    const CliRun run = Cli({"--csv", "n=200"});
    ASSERT_EQ(run.status, 0) << run.err;
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
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = LfLines(run.out);
    ASSERT_EQ(lines.size(), 6u) << run.out;
    EXPECT_EQ(lines[0], "id,S,V,true_S,exact_V,projected_S,fault");
    EXPECT_EQ(lines[1].rfind("P1,64.19044684914253,38.65343990081633,65.678375", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("P2,,,,,,\"DivisionByZero:", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind("\"P,3\",65.11549399635003,", 0), 0u) << lines[3];
    EXPECT_NE(lines[4].find("InvalidArgument"), std::string::npos);
    EXPECT_EQ(lines[5].rfind("TOTAL,129.30594084549256,", 0), 0u) << lines[5];
    EXPECT_NE(lines[5].find("2 of 4 faulty"), std::string::npos);
    EXPECT_NE(run.err.find("2 of 4"), std::string::npos);

    // Parameters not named keep the defaults, which NAME=TEXT may change.
    const CliRun defaults = Cli({"--batch", "-", "n=10"}, "id\nA\n");
    EXPECT_EQ(LfLines(defaults.out)[1].rfind("A,65.11549399635003,", 0), 0u) << defaults.out;
}

TEST(CliBatch, MalformedFilesStopWithTheLine)
{
    const struct {
        const char *input;
        int status;
        const char *message;
    } cases[] = {{"id,n,Lx\n1,2,3\n", 65, "line 1: unknown column 'Lx'"},
                 {"n,n\n1,2\n", 65, "line 1: column 'n' appears twice"},
                 {"id,n\nA,10\nB,10,3\n", 65, "line 3: 3 fields where the header names 2"},
                 {"id,n\n\"A,10\n", 65, "line 2: a quoted field is not closed"},
                 {"", 65, "empty"}};
    for (const auto &c : cases) {
        const CliRun run = Cli({"--batch", "-"}, c.input);
        EXPECT_EQ(run.status, c.status) << c.input;
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
