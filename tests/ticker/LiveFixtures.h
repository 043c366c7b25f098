#pragma once

// Replies of the live market's sources, written from their documented formats. The figures
// are chosen so the converted ones can be worked out by hand (see QuoteTests.cpp).

#include <string>
#include <string_view>

namespace livefixture {

// Kraken's ticker for the seven pairs, under Kraken's own pair names.
inline constexpr std::string_view kKraken = R"({"error":[],"result":{
"XXBTZUSD":{"a":["60000.20000","1","1.000"],"b":["60000.00000","2","2.000"],"c":["60000.10000","0.01"],
  "v":["700.1","1500.12345678"],"p":["60050.0","60100.25000"],"t":[100,2000],
  "l":["59500.0","59000.50000"],"h":["60500.0","61000.00000"],"o":"59900.0"},
"XXBTZEUR":{"a":["55000.30000","1","1.000"],"b":["55000.00000","1","1.000"],"c":["55000.10000","0.02"],
  "v":["400.0","900.50000000"],"p":["55050.0","55100.20003"],"t":[50,900],
  "l":["54500.0","54000.50000"],"h":["55500.0","56000.00000"],"o":"54900.0"},
"XXBTZGBP":{"c":["47000.50000","0.1"],"h":["47100.0","47500.00000"],"l":["46900.0","46500.00000"],
  "v":["50.0","120.25000000"],"p":["47000.0","47100.75000"]},
"XXBTZCAD":{"c":["82000.00000","0.1"],"h":["82500.0","83000.00000"],"l":["81500.0","81000.00000"],
  "v":["20.0","50.10000000"],"p":["82000.0","82100.50000"]},
"XXBTZJPY":{"c":["9000000.50000","0.1"],"h":["9050000","9100000.00000"],"l":["8950000","8900000.00000"],
  "v":["10.0","30.50000000"],"p":["9000000","9050000.50000"]},
"XBTCHF":{"c":["52000.25000","0.1"],"h":["52100.0","52500.00000"],"l":["51900.0","51500.00000"],
  "v":["5.0","10.75000000"],"p":["52000.0","52100.00000"]},
"XBTAUD":{"c":["91000.00000","0.1"],"h":["91500.0","92000.00000"],"l":["90500.0","90000.00000"],
  "v":["9.0","20.50000000"],"p":["91000.0","91200.50000"]}}})";

// Bitstamp's tickers: close to Kraken's, so a test can tell which one a reply came from.
inline constexpr std::string_view kBitstampUsd =
    R"({"timestamp":"1709296496","open":"59900","high":"61010.00","low":"59010.00",)"
    R"("last":"60010.00","volume":"1400.50000000","vwap":"60110.50","bid":"60009.00",)"
    R"("ask":"60011.00","open_24":"59950","percent_change_24":"0.17"})";
inline constexpr std::string_view kBitstampEur =
    R"({"timestamp":"1709296496","open":"54900","high":"56010.00","low":"54010.00",)"
    R"("last":"55010.00","volume":"800.25000000","vwap":"55110.50","bid":"55009.00",)"
    R"("ask":"55011.00","open_24":"54950","percent_change_24":"0.18"})";
inline constexpr std::string_view kBitstampGbp =
    R"({"timestamp":"1709296496","open":"46900","high":"47510.00","low":"46510.00",)"
    R"("last":"47010.00","volume":"100.00000000","vwap":"47110.50","bid":"47009.00",)"
    R"("ask":"47011.00","open_24":"46950","percent_change_24":"0.19"})";

// The ECB's reference rates, in units per euro.
inline constexpr std::string_view kEcb = R"(<?xml version="1.0" encoding="UTF-8"?>
<gesmes:Envelope xmlns:gesmes="http://www.gesmes.org/xml/2002-08-01" xmlns="http://www.ecb.int/vocabulary/2002-08-01/eurofxref">
	<gesmes:subject>Reference rates</gesmes:subject>
	<gesmes:Sender>
		<gesmes:name>European Central Bank</gesmes:name>
	</gesmes:Sender>
	<Cube>
		<Cube time='2024-03-01'>
			<Cube currency='USD' rate='1.0856'/>
			<Cube currency='JPY' rate='161.50'/>
			<Cube currency='BGN' rate='1.9558'/>
			<Cube currency='CZK' rate='25.298'/>
			<Cube currency='DKK' rate='7.4604'/>
			<Cube currency='GBP' rate='0.85500'/>
			<Cube currency='HUF' rate='392.90'/>
			<Cube currency='PLN' rate='4.3215'/>
			<Cube currency='RON' rate='4.9725'/>
			<Cube currency='SEK' rate='11.2345'/>
			<Cube currency='CHF' rate='0.9560'/>
			<Cube currency='ISK' rate='148.70'/>
			<Cube currency='NOK' rate='11.4470'/>
			<Cube currency='TRY' rate='33.9254'/>
			<Cube currency='AUD' rate='1.6550'/>
			<Cube currency='BRL' rate='5.3767'/>
			<Cube currency='CAD' rate='1.4680'/>
			<Cube currency='CNY' rate='7.8123'/>
			<Cube currency='HKD' rate='8.4950'/>
			<Cube currency='IDR' rate='17050.42'/>
			<Cube currency='ILS' rate='3.8812'/>
			<Cube currency='INR' rate='89.8750'/>
			<Cube currency='KRW' rate='1443.21'/>
			<Cube currency='MXN' rate='18.4861'/>
			<Cube currency='MYR' rate='5.1482'/>
			<Cube currency='NZD' rate='1.7800'/>
			<Cube currency='PHP' rate='60.812'/>
			<Cube currency='SGD' rate='1.4567'/>
			<Cube currency='THB' rate='38.901'/>
			<Cube currency='ZAR' rate='20.7203'/>
		</Cube>
	</Cube>
</gesmes:Envelope>
)";

// The Bank of Russia's rates, in windows-1251 with comma decimals. The names are Cyrillic
// in that code page ("Доллар США"); the yen is quoted per 100.
inline const std::string kCbr =
    "<?xml version=\"1.0\" encoding=\"windows-1251\"?>"
    "<ValCurs Date=\"01.03.2024\" name=\"Foreign Currency Market\">"
    "<Valute ID=\"R01010\"><NumCode>036</NumCode><CharCode>AUD</CharCode><Nominal>1</Nominal>"
    "<Name>\xC0\xE2\xF1\xF2\xF0\xE0\xEB\xE8\xE9\xF1\xEA\xE8\xE9 \xE4\xEE\xEB\xEB\xE0\xF0</Name>"
    "<Value>59,4385</Value><VunitRate>59,4385</VunitRate></Valute>"
    "<Valute ID=\"R01235\"><NumCode>840</NumCode><CharCode>USD</CharCode><Nominal>1</Nominal>"
    "<Name>\xC4\xEE\xEB\xEB\xE0\xF0 \xD1\xD8\xC0</Name>"
    "<Value>91,2345</Value><VunitRate>91,2345</VunitRate></Valute>"
    "<Valute ID=\"R01820\"><NumCode>392</NumCode><CharCode>JPY</CharCode><Nominal>100</Nominal>"
    "<Name>\xDF\xEF\xEE\xED\xF1\xEA\xE8\xF5 \xE8\xE5\xED</Name>"
    "<Value>60,9700</Value><VunitRate>0,6097</VunitRate></Valute>"
    "</ValCurs>";

} // namespace livefixture
