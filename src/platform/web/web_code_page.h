// The ANSI code page of the browser build. The page itself works in UTF-8;
// the web trace takes the code page the native trace tool would (936, 65001 or
// 1252), so that both read the same message bytes the same way.
#pragma once

// The three pages the native tool can be made to use; any other number is
// taken as 65001.
void adopt_code_page(unsigned code_page);
