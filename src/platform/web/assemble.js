// Makes the one-file page: page.html with the WebAssembly core in its two
// builds (base64), the loader emscripten wrote for them and page.js put into
// their places.
//   node assemble.js page.html nuvex_page.js nuvex_page.wasm \
//       nuvex_page_plain.js nuvex_page_plain.wasm page.js out.html
"use strict";
const fs = require("fs");

const [template, loader, wasm, plainLoader, plainWasm, script, out] = process.argv.slice(2);
if (!out) {
    console.error("usage: node assemble.js page.html loader.js core.wasm plain-loader.js " +
                  "plain-core.wasm page.js out.html");
    process.exit(2);
}
// One loader serves both builds, which must then need the same of it: their
// loaders may differ only in the file name they would fetch (the page hands
// them the bytes instead).
const withoutName = (file) => fs.readFileSync(file, "utf8").replace(/wasmBinaryFile="[^"]*"/, "");
if (withoutName(loader) !== withoutName(plainLoader)) {
    console.error("assemble.js: the two builds' loaders differ; the page cannot serve both");
    process.exit(1);
}
const parts = {
    "@WASM_BASE64@": fs.readFileSync(wasm).toString("base64"),
    "@WASM_PLAIN_BASE64@": fs.readFileSync(plainWasm).toString("base64"),
    "@MODULE_JS@": fs.readFileSync(loader, "utf8"),
    "@PAGE_JS@": fs.readFileSync(script, "utf8"),
};
// A script that held "</script" (or "<!--") would end its element early.
for (const name of ["@MODULE_JS@", "@PAGE_JS@"]) {
    if (/<\/script|<!--/i.test(parts[name])) {
        console.error(`assemble.js: ${name} holds text that would end its script element`);
        process.exit(1);
    }
}
let page = fs.readFileSync(template, "utf8");
for (const [marker, text] of Object.entries(parts)) {
    if (page.split(marker).length !== 2) {
        console.error(`assemble.js: ${template} must hold ${marker} exactly once`);
        process.exit(1);
    }
    page = page.split(marker).join(text);
}
fs.writeFileSync(out + ".part", page);
fs.renameSync(out + ".part", out);
