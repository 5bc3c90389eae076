// Makes the one-file page: page.html with the WebAssembly core (base64), the
// loader emscripten wrote for it and page.js put into their places.
//   node assemble.js page.html nuvex_page.js nuvex_page.wasm page.js out.html
"use strict";
const fs = require("fs");

const [template, loader, wasm, script, out] = process.argv.slice(2);
if (!out) {
    console.error("usage: node assemble.js page.html loader.js core.wasm page.js out.html");
    process.exit(2);
}
const parts = {
    "@WASM_BASE64@": fs.readFileSync(wasm).toString("base64"),
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
