#!/usr/bin/env python3
"""Makes the page from its sources: the site for a web server and the single
file that works opened from disk.

The page's labels, tooltips and initial values are the window's, read from
form1.ui (@Widget.property@ in index.html); the version, the description and
the support addresses come from CMake.

The numbers the module and the script agree on (outcomes, extras, parts,
batch texts) are read from the C++ enumerations of app/outcome.h and
web/module_interface.h, and the steel grades from kGradeNames of
text/grade.h, and written as the script's TAVRILO constants, ahead of the
module's glue; --glue writes that glue alone for the module's tests.

  make_page.py --sources web/page --form desktop/form1.ui --module tavrilo_mesh.wasm
               --interface app/outcome.h web/module_interface.h text/grade.h --glue FILE
               --icon tavrilo.svg --rsvg-convert PATH --site DIR --single FILE
               --version V --description TEXT --home URL --email ADDRESS --qq NUMBER
"""

import argparse
import base64
import gzip
import hashlib
import html
import json
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

# Where the site's page is allowed to get things from: itself alone.
CONTENT_SECURITY_POLICY = (
    "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; "
    "img-src 'self' blob: data:; worker-src 'self'; connect-src 'self'; "
    "object-src 'none'; base-uri 'none'")


# The script's name for each enumeration the module and the page share.
INTERFACE_GROUPS = {'Outcome': 'OUTCOME', 'Extra': 'EXTRA', 'Part': 'PART',
                    'BatchText': 'BATCH_TEXT', 'OrderFile': 'ORDER_FILE'}


def upper_snake(name):
    return re.sub(r'(?<=[a-z0-9])(?=[A-Z])', '_', name).upper()


def interface_constants(headers):
    """{'OUTCOME': {'ANSWERED': 0, ...}, ...} from the headers' enumerations."""
    groups = {}
    for header in headers:
        text = re.sub(r'//[^\n]*', '', Path(header).read_text(encoding='utf-8'))
        for match in re.finditer(r'enum class (\w+) : \w+ \{([^}]*)\};', text):
            name, body = match.groups()
            if name not in INTERFACE_GROUPS:
                sys.exit(f'{header}: enum class {name} has no name for the page')
            values = {}
            for entry in filter(None, (e.strip() for e in body.split(','))):
                item = re.fullmatch(r'(\w+) = (\d+)u?(?: << (\d+))?', entry)
                if not item:
                    sys.exit(f'{header}: {name}: cannot read "{entry}"')
                key, value, shift = item.groups()
                if key != 'Count':
                    values[upper_snake(key)] = int(value) << int(shift or 0)
            if len(set(values.values())) != len(values):
                sys.exit(f'{header}: {name}: two names for one value')
            groups[INTERFACE_GROUPS[name]] = values
        # The grades' names, in the order the module lists them (TAVRILO.GRADES).
        grades = re.search(r'kGradeNames\{\{(.*?)\}\};', text, re.S)
        if grades:
            names = re.findall(r'\{SteelGrade::\w+, "([^"]+)"\}', grades.group(1))
            if not names or len(names) != grades.group(1).count('SteelGrade::'):
                sys.exit(f'{header}: cannot read kGradeNames')
            groups['GRADES'] = names
        # The common shear's bars a stroke by diameter in tenths of a
        # millimetre (TAVRILO.SHEAR: [[120, 6], ...]), the order's default.
        shear = re.search(r'kCommonShear\{\{(.*?)\}\};', text, re.S)
        if shear:
            pairs = [[int(d), int(n)] for d, n in re.findall(r'\{(\d+), (\d+)\}', shear.group(1))]
            if not pairs or len(pairs) != shear.group(1).count('{'):
                sys.exit(f'{header}: cannot read kCommonShear')
            groups['SHEAR'] = pairs
    missing = (set(INTERFACE_GROUPS.values()) | {'GRADES', 'SHEAR'}) - set(groups)
    if missing:
        sys.exit(f'no enumeration for {", ".join(sorted(missing))}')
    return groups


def interface_script(headers):
    groups = interface_constants(headers)
    body = ',\n'.join(f'    {group}: Object.freeze({json.dumps(values)})'
                      for group, values in groups.items())
    return ('// Made by make_page.py from ' + ' and '.join(Path(h).name for h in headers) +
            ': the numbers the module and the page agree on.\n'
            "'use strict';\n/* exported TAVRILO */\n"
            f'const TAVRILO = Object.freeze({{\n{body},\n}});\n')


def wasm_exports(wasm):
    """The names a WebAssembly module exports (its export section)."""
    def uleb(at):
        value = shift = 0
        while True:
            byte = wasm[at]
            at += 1
            value |= (byte & 0x7F) << shift
            shift += 7
            if byte < 0x80:
                return value, at
    if wasm[:8] != b'\0asm\1\0\0\0':
        sys.exit('the module is no WebAssembly 1 module')
    at = 8
    while at < len(wasm):
        section = wasm[at]
        size, at = uleb(at + 1)
        if section == 7:
            names = set()
            count, cursor = uleb(at)
            for _ in range(count):
                length, cursor = uleb(cursor)
                names.add(wasm[cursor:cursor + length].decode())
                _, cursor = uleb(cursor + length + 1)
            return names
        at += size
    return set()


def check_exports(glue, wasm):
    """Fails the build when the glue calls an export the module lacks."""
    called = re.findall(r"exports\.(\w+)|call\('(\w+)'", glue)
    missing = {name for match in called for name in match if name} - wasm_exports(wasm)
    if missing:
        sys.exit(f'module.js calls what the module does not export: {", ".join(sorted(missing))}')


def form_texts(form_path):
    """{'Widget.property': text} for every string property of form1.ui."""
    texts = {}
    for element in ElementTree.parse(form_path).getroot().iter():
        if element.tag not in ('widget', 'action'):
            continue
        for prop in element.findall('property'):
            string = prop.find('string')
            if string is not None and string.text is not None:
                texts[f"{element.get('name')}.{prop.get('name')}"] = string.text
    return texts


def fill(template, values, what):
    def replace(match):
        key = match.group(1)
        if key not in values:
            sys.exit(f'{what}: nothing for @{key}@')
        return values[key]
    return re.sub(r'@([A-Za-z0-9_.]+)@', replace, template)


def inline_script(text, what):
    if re.search(r'</script|<!--', text, re.IGNORECASE):
        sys.exit(f'{what} cannot be inlined: it holds </script or <!--')
    return text


def main():
    parser = argparse.ArgumentParser()
    for name in ('sources', 'form', 'module', 'glue', 'icon', 'rsvg-convert', 'site', 'single',
                 'version', 'description', 'home', 'email', 'qq'):
        parser.add_argument('--' + name, required=True)
    parser.add_argument('--interface', nargs='+', required=True)
    args = parser.parse_args()

    sources = Path(args.sources)
    read = lambda name: (sources / name).read_text(encoding='utf-8')
    texts = {key: html.escape(value) for key, value in form_texts(args.form).items()}
    texts.update({
        'VERSION': html.escape(args.version),
        'DESCRIPTION': html.escape(args.description),
        'HOME_PAGE_URL': html.escape(args.home),
        'SUPPORT_EMAIL': html.escape(args.email),
        'SUPPORT_QQ': html.escape(args.qq),
    })
    page = read('index.html')
    module_glue = interface_script(args.interface) + '\n' + read('module.js')
    Path(args.glue).write_text(module_glue, encoding='utf-8')
    worker = module_glue + '\n' + read('worker.js')
    style = read('style.css')
    # The page's own scripts, joined: the details and the batch, then the form that uses them.
    page_scripts = [read(name) for name in ('details.js', 'batch.js', 'order.js', 'store.js', 'site.js',
                                            'form.js')]
    wasm = Path(args.module).read_bytes()
    check_exports(module_glue, wasm)

    site = Path(args.site)
    site.mkdir(parents=True, exist_ok=True)
    files = {}
    files['index.html'] = fill(page, dict(texts, HEAD='\n'.join([
        f'<meta http-equiv="Content-Security-Policy" content="{CONTENT_SECURITY_POLICY}">',
        '<link rel="stylesheet" href="style.css">',
        '<link rel="manifest" href="manifest.webmanifest">',
        '<link rel="icon" href="icon-192.png" type="image/png">',
        '<link rel="apple-touch-icon" href="icon-192.png">',
        '<script src="app.js" defer></script>']), BODY_END=''), 'index.html').encode()
    files['app.js'] = '\n'.join([module_glue, read('loader-site.js')] + page_scripts).encode()
    files['worker.js'] = worker.encode()
    files['style.css'] = style.encode()
    files['tavrilo.wasm'] = wasm
    manifest = fill(read('manifest.webmanifest'), texts, 'manifest')
    json.loads(manifest)
    files['manifest.webmanifest'] = manifest.encode()
    for size in (192, 512):
        files[f'icon-{size}.png'] = subprocess.run(
            [args.rsvg_convert, '-w', str(size), '-h', str(size), args.icon],
            check=True, capture_output=True).stdout

    # The service worker caches the rest; its cache is named after their content.
    digest = hashlib.sha256()
    for name in sorted(files):
        digest.update(name.encode() + b'\0' + files[name] + b'\0')
    # Each with its content's hash, for the worker to check what it fetched.
    cached = {'./': hashlib.sha256(files['index.html']).hexdigest()}
    cached.update((name, hashlib.sha256(files[name]).hexdigest()) for name in sorted(files))
    files['sw.js'] = fill(read('sw.js'), {'SITE_HASH': digest.hexdigest()[:16],
                                          'SITE_FILES': json.dumps(cached)}, 'sw.js').encode()
    for name, content in files.items():
        (site / name).write_bytes(content)

    # The single file: the styles, the worker and the module inside the page.
    packed = base64.b64encode(gzip.compress(wasm, compresslevel=9, mtime=0)).decode()
    icon = base64.b64encode(Path(args.icon).read_bytes()).decode()
    app = '\n' + inline_script('\n'.join(
        [module_glue, read('loader-single.js')] + page_scripts), 'app.js')
    styles = f'\n{style}'
    # Its policy allows its own inline script and styles alone (by their
    # hashes), the module, the worker and pictures from blob: addresses.
    digest_of = lambda text: base64.b64encode(hashlib.sha256(text.encode()).digest()).decode()
    single_policy = (
        f"default-src 'none'; script-src 'sha256-{digest_of(app)}' 'wasm-unsafe-eval'; "
        f"style-src 'sha256-{digest_of(styles)}'; img-src blob: data:; worker-src blob:; "
        "object-src 'none'; base-uri 'none'; form-action 'none'")
    single = fill(page, dict(texts, HEAD='\n'.join([
        f'<meta http-equiv="Content-Security-Policy" content="{single_policy}">',
        f'<link rel="icon" href="data:image/svg+xml;base64,{icon}">',
        f'<style>{styles}</style>']), BODY_END='\n'.join([
        f'<script type="application/octet-stream" id="tavrilo-wasm">{packed}</script>',
        '<script type="text/plain" id="tavrilo-worker">' +
        inline_script(worker, 'worker.js') + '</script>',
        f'<script>{app}</script>'])), 'tavrilo.html')
    Path(args.single).write_text(single, encoding='utf-8')


if __name__ == '__main__':
    main()
