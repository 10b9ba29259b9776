// Runs the Khronos glTF validator on a file: node valider_gltf.js MODULE_DIR FILE
// Prints the counts and the errors and warnings as JSON; exit status 0 without error, 1 with
// errors, 2 when the validator cannot run.
const fs = require('fs');
const [dossier, fichier] = process.argv.slice(2);
let validateur;
try {
  validateur = require(dossier);
} catch (e) {
  console.error(String(e));
  process.exit(2);
}
validateur.validateBytes(new Uint8Array(fs.readFileSync(fichier))).then(
  (rapport) => {
    const issues = rapport.issues;
    console.log(JSON.stringify({
      validator: rapport.validatorVersion,
      errors: issues.numErrors,
      warnings: issues.numWarnings,
      messages: issues.messages.filter((m) => m.severity <= 1),
    }));
    process.exit(issues.numErrors > 0 ? 1 : 0);
  },
  (e) => {
    console.error(String(e));
    process.exit(2);
  });
